#include "NumberArgument.h"

#include <algorithm>
#include <limits>

namespace cli {

std::optional<std::uint32_t> ReadNumberArgument(std::string_view text)
{
    if (text.empty() || !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
    std::uint64_t value = 0;
    for (const char c : text) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > kLargest) return static_cast<std::uint32_t>(kLargest);
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace cli
