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

struct ApplyResult {
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
};

// The sensor in slot holds current; wanted is what it should hold. For a
// sensor that refuses the extension sets, an extension set without key sets
// is left as the sensor holds it and one with key sets is refused.
ApplyResult ApplyConfig(Session& session, int slot, const SensorConfig& current, SensorConfig wanted,
                        const ApplyOptions& options);

// The success line: "wrote WalkAway, Sonar" or "already up to date".
std::string ApplyText(const ApplyResult& result);
// What went wrong and where the sensor stands, a line each.
std::vector<std::string> FailureLines(const ApplyResult& result);

}  // namespace cli
