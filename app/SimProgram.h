#pragma once

// tolvane-sim's run: the program on virtual sensors of the real clock, with
// the "Virtual Sensors" window beside its property sheet. One sensor of
// firmware 4.05 is plugged in at start. The sheet's "Virtual Sensors" button
// brings a closed window back.

#include <functional>

class PropSheet;
class VirtualSensorsWindow;

// Runs within the application object; returns the process's exit code.
// beforeRun, when given, runs once both windows are built, before the
// sheet's modal run.
int RunTolvaneSim(const std::function<void(PropSheet&, VirtualSensorsWindow&)>& beforeRun = {});
