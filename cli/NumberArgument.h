#pragma once

// Numbers given on the command line are read by the rule of the pages' number
// edits, so a value means the same to tolvanectl as typed into a page.

#include <cstdint>
#include <optional>
#include <string_view>

namespace cli {

// Digits only, read by the pages' rule: a number too long for 32 bits reads as
// the largest one, above every limit. nullopt for empty text or any other
// character, which the pages would read as 0.
std::optional<std::uint32_t> ReadNumberArgument(std::string_view text);

}  // namespace cli
