#pragma once

// Writing a changed configuration to a sensor the way Apply does: block by
// block in page order, each through the model's write of that block, with the
// pause after each page's writes; only blocks that differ from what the
// sensor holds are sent. A failure stops the pass and names the block.

#include <string>
#include <vector>

#include "Settings.h"

namespace cli {

class Session;

struct ApplyResult {
    bool Ok = true;
    std::vector<std::string> Written;  // block names, in the order written
    std::string Failed;                // the block that failed
    std::string Reason;                // what the sensor or the library said
};

// The sensor in slot holds current; wanted is what it should hold. The LUID is
// written only with writeLuid.
ApplyResult WriteChangedBlocks(Session& session, int slot, const SensorConfig& current,
                               const SensorConfig& wanted, bool writeLuid);

// "wrote WalkAway, Sonar" or "already up to date"; with a failure, what failed
// and what was written before it.
std::string ApplyText(const ApplyResult& result);

}  // namespace cli
