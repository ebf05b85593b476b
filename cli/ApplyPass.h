#pragma once

// Writing a new configuration to a sensor, all or nothing as far as the
// sensor allows. First every block that differs from what the sensor holds is
// offered to the library's stores without sending anything; one refusal
// writes nothing. Then the blocks are written the way Apply does, block by
// block in page order through the model's write of each, with the pause after
// each page's writes. Last the sensor is read back and compared with what it
// should now hold. The sensor has no transaction: a write that fails midway
// leaves the blocks before it written, and the result says which.

#include <string>
#include <vector>

#include "Settings.h"

namespace cli {

class Session;

// One setting that differs between two configurations: a setting of the
// table, or where no setting differs, a template field.
struct SettingChange {
    std::string Name;
    SettingValue From;
    SettingValue To;
    std::string FromText;  // as set takes it
    std::string ToText;
};

struct ApplyResult {
    std::vector<std::string> Changed;    // the blocks that differ, to write, in page order
    std::vector<SettingChange> Changes;  // the settings that differ, the sensor's value first
    // Refused by the library's stores or by the sensor's lack of extension
    // sets; nothing was sent.
    std::vector<std::string> Refused;
    std::vector<std::string> Written;  // block names, in the order written
    std::string Failed;                // the block whose write failed
    std::string Reason;                // what the sensor or the library said
    std::vector<std::string> NotWritten;
    bool ReadBackFailed = false;
    // Settings (or template fields) the read-back holds otherwise than written.
    std::vector<std::string> Differences;

    bool Ok() const { return Refused.empty() && Failed.empty() && !ReadBackFailed && Differences.empty(); }
};

struct ApplyOptions {
    bool WriteLuid = false;
    bool Verify = true;  // read back and compare what was written
    bool Write = true;   // false: compare and check only, nothing is sent
    // Compare what the sensor would hold after the write (ping rate in 4 ms
    // steps, ...) with what it holds, so that a value it cannot hold exactly
    // does not count as a change on every run.
    bool CompareAsHeld = false;
};

// The sensor in slot holds current; wanted is what it should hold. For a
// sensor that refuses the extension sets, an extension set without key sets
// is left as the sensor holds it and one with key sets is refused.
ApplyResult ApplyConfig(Session& session, int slot, const SensorConfig& current, SensorConfig wanted,
                        const ApplyOptions& options);

// The settings that differ between from and to; where none does, the template fields.
std::vector<SettingChange> SettingChanges(const SensorConfig& from, const SensorConfig& to);

// The success line: "wrote WalkAway, Sonar", "would write Sonar" (nothing
// written) or "already up to date".
std::string ApplyText(const ApplyResult& result);
// What went wrong and where the sensor stands, a line each.
std::vector<std::string> FailureLines(const ApplyResult& result);

}  // namespace cli
