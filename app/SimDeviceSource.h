#pragma once

// Starting the device watcher on the sim backend: the sim's plug and unplug
// notifications go into the watcher's queue.

#include "DeviceWatcher.h"

namespace sim {
class SimPlatform;
}

DeviceWatcher::Starter followSimDevices(sim::SimPlatform& sim);
