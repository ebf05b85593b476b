#pragma once

// Hot-plug of hidraw nodes, from a libudev monitor. While a udev daemon runs,
// its events are taken: they come after the udev rules have set the node's
// permissions. Without one (containers, minimal systems) nothing would come
// from that source, so the kernel's own events are taken instead; the node
// may then not be accessible yet when the arrival is read, which the
// backend's open allows for.

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
