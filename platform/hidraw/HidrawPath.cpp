#include "HidrawPath.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace hidraw {

namespace {

constexpr std::string_view kNodePrefix = "hidraw";
constexpr std::size_t kMaxNodeDigits = 6;
constexpr std::size_t kIdDigits = 4;

bool isDecimal(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

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
    if (!consumeLiteral(path, "\\\\?\\HID#Vid_")) {
        return std::nullopt;
    }
    const auto vendor = consumeId(path);
    if (!vendor || !consumeLiteral(path, "&Pid_")) {
        return std::nullopt;
    }
    const auto product = consumeId(path);
    if (!product || !consumeLiteral(path, "#") || !isHidrawNodeName(path)) {
        return std::nullopt;
    }
    return DevicePathParts{*vendor, *product, std::string(path)};
}

}  // namespace hidraw
