#include "DevicePath.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <string_view>

namespace platform {

namespace {

constexpr std::size_t kIdDigits = 4;

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// Consumes the literal at the front of the text, ignoring case.
bool consumeLiteral(std::string_view& text, std::string_view literal)
{
    if (text.size() < literal.size() || !equalsIgnoringCase(text.substr(0, literal.size()), literal)) {
        return false;
    }
    text.remove_prefix(literal.size());
    return true;
}

// Consumes exactly four hexadecimal digits at the front of the text.
std::optional<std::uint16_t> consumeId(std::string_view& text)
{
    if (text.size() < kIdDigits) {
        return std::nullopt;
    }
    std::uint16_t id = 0;
    const char* end = text.data() + kIdDigits;
    const auto [stop, error] = std::from_chars(text.data(), end, id, 16);
    if (error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    text.remove_prefix(kIdDigits);
    return id;
}

}  // namespace

std::string devicePathPrefix(std::uint16_t vendorId, std::uint16_t productId)
{
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "\\\\?\\HID#Vid_%04x&Pid_%04x", vendorId, productId);
    return prefix;
}

std::string makeDevicePath(std::uint16_t vendorId, std::uint16_t productId, const std::string& rest)
{
    return devicePathPrefix(vendorId, productId) + "#" + rest;
}

std::optional<DevicePathHead> readDevicePathHead(std::string_view path)
{
    if (!consumeLiteral(path, "\\\\?\\HID#Vid_")) {
        return std::nullopt;
    }
    const auto vendor = consumeId(path);
    if (!vendor || !consumeLiteral(path, "&Pid_")) {
        return std::nullopt;
    }
    const auto product = consumeId(path);
    if (!product) {
        return std::nullopt;
    }
    return DevicePathHead{*vendor, *product, path};
}

std::string deviceNodeOf(const std::string& path)
{
    const std::string rest = path.substr(path.rfind('#') + 1);
    // A Windows interface name ends in its interface class, the same for
    // every keyboard: there the whole path names the device.
    if (rest.starts_with('{')) return path;
    constexpr std::string_view kHidraw = "hidraw";
    const bool hidrawNode = rest.size() > kHidraw.size() && rest.starts_with(kHidraw) &&
                            std::all_of(rest.begin() + kHidraw.size(), rest.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
    return hidrawNode ? "/dev/" + rest : rest;
}

std::string usbIdsOf(const std::string& path)
{
    const auto head = readDevicePathHead(path);
    if (!head) return "?";
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", head->VendorId, head->ProductId);
    return ids;
}

}  // namespace platform
