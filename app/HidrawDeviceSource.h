#pragma once

// Starting the device watcher on the hidraw backend: a udev monitor whose
// descriptor the watcher reads whenever hidraw nodes come and go.

#include "DeviceWatcher.h"

// Fails with the system error code when the udev monitor cannot be set up.
DeviceWatcher::Starter followHidrawDevices();
