#pragma once

// Hot-plug of hidraw nodes, from a libudev monitor on the "udev" source (its
// events come after the udev rules have set the node's permissions).

#include <optional>
#include <vector>

#include "platform/Platform.h"
#include "platform/hidraw/HotplugTracker.h"
#include "platform/hidraw/UdevHandles.h"

namespace hidraw {

class HidrawMonitor {
public:
    // Starts listening, then notes the keyboard nodes already present so
    // their removal can be reported with the path they were found under.
    HidrawMonitor();
    HidrawMonitor(const HidrawMonitor&) = delete;
    HidrawMonitor& operator=(const HidrawMonitor&) = delete;
    ~HidrawMonitor();

    // The descriptor that becomes readable when events are waiting; -1 when
    // the monitor could not be set up.
    int fd() const;

    // Every waiting event, without blocking: keyboard nodes that arrived, and
    // nodes that went away whose path is known. Other events are dropped.
    std::vector<platform::DeviceEvent> readEvents();

private:
    std::optional<platform::DeviceEvent> eventFor(udev_device* device);

    UdevPtr<udev> context_;
    UdevPtr<udev_monitor> monitor_;
    HotplugTracker tracker_;
};

}  // namespace hidraw
