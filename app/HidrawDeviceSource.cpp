#include "HidrawDeviceSource.h"

#include <cerrno>
#include <memory>

#include "platform/hidraw/HidrawMonitor.h"

DeviceWatcher::Starter followHidrawDevices()
{
    return [](DeviceWatcher& watcher) -> unsigned long {
        errno = 0;
        // Lives as long as the watcher's descriptor reader, to the end of the process.
        auto monitor = std::make_shared<hidraw::HidrawMonitor>();
        if (monitor->fd() < 0) return errno != 0 ? static_cast<unsigned long>(errno) : EIO;
        watcher.watchDescriptor(monitor->fd(), [monitor] { return monitor->readEvents(); });
        return 0;
    };
}
