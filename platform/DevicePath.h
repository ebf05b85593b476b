#pragma once

// Device interface paths have one form on every backend:
//   \\?\HID#Vid_vvvv&Pid_pppp#<rest>
// with lower-case hex, so the first 25 characters identify vendor and product.
// On Windows the rest is the interface's own name after vendor and product,
// which may also begin with "&MI_xx" or "&Col0n" before its "#".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The first 25 characters of the path of a device of this vendor and product.
std::string devicePathPrefix(std::uint16_t vendorId, std::uint16_t productId);

std::string makeDevicePath(std::uint16_t vendorId, std::uint16_t productId, const std::string& rest);

struct DevicePathHead {
    std::uint16_t VendorId = 0;
    std::uint16_t ProductId = 0;
    std::string_view Rest;  // everything after the first 25 characters
};

// Vendor and product from the first 25 characters of a path, whose fixed text
// is compared ignoring case and whose ids take exactly four hex digits each
// (either case); nullopt when the path does not begin that way.
std::optional<DevicePathHead> readDevicePathHead(std::string_view path);

// How a person finds the device on this system: "/dev/hidraw3" for a path
// whose rest is a hidraw node name, the whole path for a Windows interface
// name, else the rest as it is ("sim1").
std::string deviceNodeOf(const std::string& path);

// "fff0:0001": vendor and product as the path names them; "?" when it names none.
std::string usbIdsOf(const std::string& path);

}  // namespace platform
