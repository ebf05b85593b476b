#include "DevicePath.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

namespace platform {

std::string makeDevicePath(std::uint16_t vendorId, std::uint16_t productId, const std::string& rest)
{
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "\\\\?\\HID#Vid_%04x&Pid_%04x#", vendorId, productId);
    return prefix + rest;
}

std::string deviceNodeOf(const std::string& path)
{
    const std::string rest = path.substr(path.rfind('#') + 1);
    constexpr std::string_view kHidraw = "hidraw";
    const bool hidrawNode = rest.size() > kHidraw.size() && rest.starts_with(kHidraw) &&
                            std::all_of(rest.begin() + kHidraw.size(), rest.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
    return hidrawNode ? "/dev/" + rest : rest;
}

std::string usbIdsOf(const std::string& path)
{
    const std::size_t vendor = path.find("Vid_");
    const std::size_t product = path.find("Pid_");
    if (vendor == std::string::npos || product == std::string::npos) return "?";
    return path.substr(vendor + 4, 4) + ":" + path.substr(product + 4, 4);
}

}  // namespace platform
