#include "config/FirmwareVersion.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

constexpr std::size_t kMaxMajorDigits = 2;
constexpr std::size_t kMinorDigits = 2;

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool allHexDigits(std::string_view digits)
{
    return std::ranges::all_of(digits, isHexDigit);
}

}  // namespace

std::string FirmwareText(std::int32_t firmware)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X.%02X", static_cast<unsigned>(firmware >> 8) & 0xFFFFu,
                  static_cast<unsigned>(firmware) & 0xFFu);
    return text;
}

std::optional<std::uint16_t> ParseFirmware(std::string_view text)
{
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot > kMaxMajorDigits) return std::nullopt;
    const std::string_view major = text.substr(0, dot);
    const std::string_view minor = text.substr(dot + 1);
    if (minor.size() != kMinorDigits || !allHexDigits(major) || !allHexDigits(minor)) return std::nullopt;
    unsigned majorValue = 0;
    unsigned minorValue = 0;
    std::from_chars(major.data(), major.data() + major.size(), majorValue, 16);
    std::from_chars(minor.data(), minor.data() + minor.size(), minorValue, 16);
    return static_cast<std::uint16_t>(majorValue << 8 | minorValue);
}
