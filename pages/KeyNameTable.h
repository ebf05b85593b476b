#pragma once

// The key names every key list shows: 96 USB HID keyboard usages with their
// display names, in list order, closed by an entry without a name.

#include <array>
#include <cstddef>
#include <cstdint>

struct KeyNameEntry {
    std::uint16_t Code;  // USB HID keyboard usage; 0 is no key
    const char* Name;    // nullptr in the closing entry
};

inline constexpr std::size_t kKeyNameCount = 96;
inline constexpr std::uint16_t kKeyNameEndCode = 0xFF;

extern const std::array<KeyNameEntry, kKeyNameCount + 1> KeyNameTable;
