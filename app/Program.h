#pragma once

// What tolvane and tolvane-sim share: start-up, the sheet's modal run and
// shut-down on the platform backend that main has installed, whose waits
// then keep the windows alive.

#include <functional>

#include "DeviceWatcher.h"

class PropSheet;

// Returns the process's exit code: 0 after the sheet ran, 1 when the library
// version stopped the program. beforeRun runs once the sheet is built, just
// before its modal run.
int RunTolvane(DeviceWatcher::Starter followDevices, const std::function<void(PropSheet&)>& beforeRun = {});
