#pragma once

// Device interface paths have one form on every backend:
//   \\?\HID#Vid_vvvv&Pid_pppp#<rest>
// with lower-case hex, so the first 25 characters identify vendor and product.

#include <cstdint>
#include <string>

namespace platform {

std::string makeDevicePath(std::uint16_t vendorId, std::uint16_t productId, const std::string& rest);

}  // namespace platform
