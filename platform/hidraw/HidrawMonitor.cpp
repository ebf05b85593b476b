#include "HidrawMonitor.h"

#include <libudev.h>
#include <unistd.h>

#include <string_view>

#include "platform/hidraw/UdevDevices.h"

namespace hidraw {

namespace {

// A running udev daemon keeps its control socket here.
bool udevDaemonRuns()
{
    return ::access("/run/udev/control", F_OK) == 0;
}

}  // namespace

HidrawMonitor::HidrawMonitor() : context_(udev_new())
{
    if (!context_) {
        return;
    }
    monitor_.reset(udev_monitor_new_from_netlink(context_.get(), udevDaemonRuns() ? "udev" : "kernel"));
    if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_.get()) < 0) {
        monitor_.reset();
        return;
    }
    if (const auto present = enumerateKeyboardNodes(context_.get())) {
        for (const KeyboardNode& node : *present) {
            tracker_.remember(node.Node, node.Path);
        }
    }
}

HidrawMonitor::~HidrawMonitor() = default;

int HidrawMonitor::fd() const
{
    return monitor_ ? udev_monitor_get_fd(monitor_.get()) : -1;
}

std::vector<platform::DeviceEvent> HidrawMonitor::readEvents()
{
    std::vector<platform::DeviceEvent> events;
    if (!monitor_) {
        return events;
    }
    while (UdevPtr<udev_device> device{udev_monitor_receive_device(monitor_.get())}) {
        if (auto event = eventFor(device.get())) {
            events.push_back(std::move(*event));
        }
    }
    return events;
}

std::optional<platform::DeviceEvent> HidrawMonitor::eventFor(udev_device* device)
{
    const char* action = udev_device_get_action(device);
    const char* node = udev_device_get_sysname(device);
    if (action == nullptr || node == nullptr) {
        return std::nullopt;
    }
    if (std::string_view(action) == "add") {
        const auto keyboard = keyboardNodeOf(device);
        return keyboard ? std::optional(tracker_.arrival(keyboard->Node, keyboard->Path)) : std::nullopt;
    }
    if (std::string_view(action) == "remove") {
        return tracker_.removal(node, devicePathOf(device));
    }
    return std::nullopt;
}

}  // namespace hidraw
