#include "InterfacePath.h"

#include <algorithm>

#include "platform/DevicePath.h"
#include "platform/SensorIds.h"

namespace win32 {

namespace {

// After vendor and product a USB HID interface name goes on with its instance
// ("#...") or with its interface or collection number ("&MI_00", "&Col01").
bool isInterfaceRest(std::string_view rest)
{
    return rest.size() > 1 && (rest.front() == '#' || rest.front() == '&') &&
           std::none_of(rest.begin(), rest.end(), [](char c) { return c == '\0'; });
}

}  // namespace

std::optional<std::string> devicePathOf(std::string_view interfaceName)
{
    const auto head = platform::readDevicePathHead(interfaceName);
    if (!head || !isInterfaceRest(head->Rest)) {
        return std::nullopt;
    }
    return platform::devicePathPrefix(head->VendorId, head->ProductId) + std::string(head->Rest);
}

bool isDevicePath(std::string_view path)
{
    const auto converted = devicePathOf(path);
    return converted && *converted == path;
}

bool isSensorDevicePath(std::string_view path)
{
    const auto head = platform::readDevicePathHead(path);
    return isDevicePath(path) && head && isSensorVendorAndProduct(head->VendorId, head->ProductId);
}

}  // namespace win32
