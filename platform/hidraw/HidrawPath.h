#pragma once

// Interface paths of hidraw nodes: \\?\HID#Vid_vvvv&Pid_pppp#hidrawN, made
// with platform::makeDevicePath and read back here to find the node to open.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hidraw {

struct DevicePathParts {
    std::uint16_t VendorId = 0;
    std::uint16_t ProductId = 0;
    std::string Node;  // "hidraw3" for /dev/hidraw3
};

// Whether the text is a hidraw node name: "hidraw" and a decimal number.
bool isHidrawNodeName(std::string_view name);

// Vendor, product and node of an interface path whose rest is a hidraw node
// name (the fixed part of the prefix compared ignoring case); nullopt for any
// other text, so nothing but a /dev/hidrawN node is ever derived from a path.
std::optional<DevicePathParts> parseDevicePath(std::string_view path);

}  // namespace hidraw
