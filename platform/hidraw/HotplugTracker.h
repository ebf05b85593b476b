#pragma once

// Turns hidraw node arrivals and removals into device events. A removed
// node's hid parent is usually gone before the event is read, so the path
// announced for a node is remembered and given again at its removal.

#include <map>
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace hidraw {

class HotplugTracker {
public:
    // A node that was present before the events started.
    void remember(const std::string& node, const std::string& path);

    platform::DeviceEvent arrival(const std::string& node, const std::string& path);

    // The removal event of the node with the path it was announced with, else
    // with the path still readable from the removed device; nullopt when
    // neither is known.
    std::optional<platform::DeviceEvent> removal(const std::string& node,
                                                 const std::optional<std::string>& pathFromDevice);

private:
    std::map<std::string, std::string> paths_;
};

}  // namespace hidraw
