#include "config/NumberText.h"

#include <limits>

namespace {

constexpr std::uint32_t kLargest = std::numeric_limits<std::uint32_t>::max();

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::uint32_t readUnsignedNumber(std::string_view text)
{
    text = Trimmed(text);
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > kLargest) value = std::uint64_t{kLargest} + 1;
    }
    return value > kLargest ? kLargest : static_cast<std::uint32_t>(value);
}
