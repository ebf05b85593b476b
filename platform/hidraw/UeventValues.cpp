#include "UeventValues.h"

#include <algorithm>
#include <charconv>

namespace hidraw {

namespace {

constexpr std::size_t kMaxHidIdFieldDigits = 8;
constexpr std::size_t kMaxBcdDigits = 4;

// The whole text as a hexadecimal number of at most maxDigits digits that fits 16 bits.
std::optional<std::uint16_t> parseHex16(std::string_view text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
    if (error != std::errc{} || stop != end || value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

// Cuts the text up to the next colon (or the end) off the front.
std::string_view takeField(std::string_view& text)
{
    const std::size_t colon = text.find(':');
    const std::string_view field = text.substr(0, colon);
    text.remove_prefix(colon == std::string_view::npos ? text.size() : colon + 1);
    return field;
}

}  // namespace

std::optional<HidId> parseHidId(std::string_view value)
{
    if (std::count(value.begin(), value.end(), ':') != 2) {
        return std::nullopt;
    }
    const auto bus = parseHex16(takeField(value), kMaxHidIdFieldDigits);
    const auto vendor = parseHex16(takeField(value), kMaxHidIdFieldDigits);
    const auto product = parseHex16(takeField(value), kMaxHidIdFieldDigits);
    if (!bus || !vendor || !product) {
        return std::nullopt;
    }
    return HidId{*bus, *vendor, *product};
}

std::optional<std::uint16_t> parseBcdDevice(std::string_view text)
{
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    return parseHex16(text.substr(0, end == std::string_view::npos ? 0 : end + 1), kMaxBcdDigits);
}

}  // namespace hidraw
