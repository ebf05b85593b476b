#include "HotplugTracker.h"

namespace hidraw {

void HotplugTracker::remember(const std::string& node, const std::string& path)
{
    paths_[node] = path;
}

platform::DeviceEvent HotplugTracker::arrival(const std::string& node, const std::string& path)
{
    remember(node, path);
    return {platform::DeviceEventKind::Arrival, path};
}

std::optional<platform::DeviceEvent> HotplugTracker::removal(const std::string& node,
                                                             const std::optional<std::string>& pathFromDevice)
{
    const auto known = paths_.find(node);
    if (known != paths_.end()) {
        platform::DeviceEvent event{platform::DeviceEventKind::Removal, known->second};
        paths_.erase(known);
        return event;
    }
    if (pathFromDevice) {
        return platform::DeviceEvent{platform::DeviceEventKind::Removal, *pathFromDevice};
    }
    return std::nullopt;
}

}  // namespace hidraw
