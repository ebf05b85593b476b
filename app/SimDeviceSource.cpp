#include "SimDeviceSource.h"

#include "platform/sim/SimPlatform.h"

DeviceWatcher::Starter followSimDevices(sim::SimPlatform& sim)
{
    return [&sim](DeviceWatcher& watcher) -> unsigned long {
        sim.setDeviceListener([&watcher](const platform::DeviceEvent& event) { watcher.post(event); });
        return 0;
    };
}
