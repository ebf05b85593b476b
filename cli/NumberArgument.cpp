#include "NumberArgument.h"

#include <algorithm>

#include "config/NumberText.h"

namespace cli {

std::optional<std::uint32_t> ReadNumberArgument(std::string_view text)
{
    // A typo on a command line is refused rather than read as 0.
    if (text.empty() || !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return readUnsignedNumber(text);
}

}  // namespace cli
