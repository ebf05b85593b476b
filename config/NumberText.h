#pragma once

// The one reading rule of every number a user types: the program's number
// edits and its command line take their numbers through it.

#include <cstdint>
#include <string_view>

// Digits only, blanks around them ignored. Empty or non-numeric text reads as
// 0; a number too large for 32 bits reads as the largest 32-bit value, so it
// counts as above every limit instead of wrapping into a plausible one.
std::uint32_t readUnsignedNumber(std::string_view text);
