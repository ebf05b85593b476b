#pragma once

// Starting the device watcher on the Windows backend: a hidden window of the
// UI thread receives the keyboard interface notifications, and the watcher
// queues each of them.

#include "DeviceWatcher.h"

// Fails with the system error code when the notifications cannot be registered.
DeviceWatcher::Starter followWin32Devices();
