#include "HidrawPath.h"

#include <algorithm>
#include <cctype>

#include "platform/DevicePath.h"

namespace hidraw {

namespace {

constexpr std::string_view kNodePrefix = "hidraw";
constexpr std::size_t kMaxNodeDigits = 6;

bool isDecimal(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

}  // namespace

bool isHidrawNodeName(std::string_view name)
{
    if (!name.starts_with(kNodePrefix)) {
        return false;
    }
    const std::string_view number = name.substr(kNodePrefix.size());
    return !number.empty() && number.size() <= kMaxNodeDigits && isDecimal(number);
}

std::optional<DevicePathParts> parseDevicePath(std::string_view path)
{
    const auto head = platform::readDevicePathHead(path);
    if (!head || !head->Rest.starts_with('#')) {
        return std::nullopt;
    }
    const std::string_view node = head->Rest.substr(1);
    if (!isHidrawNodeName(node)) {
        return std::nullopt;
    }
    return DevicePathParts{head->VendorId, head->ProductId, std::string(node)};
}

}  // namespace hidraw
