#pragma once

// The library's work on one sensor, step by step, on whichever backend is
// installed: open, full read, a block written and read back, user defaults
// saved, factory reset, user defaults restored, range readout, a LUID
// written, key sends halted and resumed. Each step's results (return values,
// status words, every block) become text lines, so the run on the emulated
// sensor and the run on the sim compare line by line.

#include <string>
#include <vector>

namespace vmtest {

struct ScenarioOutcome {
    std::vector<std::string> Lines;
    std::string DevicePath;  // slot 0's after the open
};

ScenarioOutcome runScenario();

}  // namespace vmtest
