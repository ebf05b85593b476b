#pragma once

// Device interface paths have one form on every backend:
//   \\?\HID#Vid_vvvv&Pid_pppp#<rest>
// with lower-case hex, so the first 25 characters identify vendor and product.

#include <cstdint>
#include <string>

namespace platform {

std::string makeDevicePath(std::uint16_t vendorId, std::uint16_t productId, const std::string& rest);

// How a person finds the device on this system: "/dev/hidraw3" for a path
// whose rest is a hidraw node name, else the rest as it is ("sim1").
std::string deviceNodeOf(const std::string& path);

// "fff0:0001": vendor and product as the path names them; "?" when it names none.
std::string usbIdsOf(const std::string& path);

}  // namespace platform
