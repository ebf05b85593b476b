#include "DevicePath.h"

#include <cstdio>

namespace platform {

std::string makeDevicePath(std::uint16_t vendorId, std::uint16_t productId, const std::string& rest)
{
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "\\\\?\\HID#Vid_%04x&Pid_%04x#", vendorId, productId);
    return prefix + rest;
}

}  // namespace platform
