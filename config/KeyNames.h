#pragma once

// The key names every key list shows: 96 USB HID keyboard usages with their
// display names, in list order, closed by an entry without a name; the eight
// modifier names; and key sets written as text ("LCTL+LALT+DELETE") for
// programs without key lists.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct KeyNameEntry {
    std::uint16_t Code;  // USB HID keyboard usage; 0 is no key
    const char* Name;    // nullptr in the closing entry
};

inline constexpr std::size_t kKeyNameCount = 96;
inline constexpr std::uint16_t kKeyNameEndCode = 0xFF;

extern const std::array<KeyNameEntry, kKeyNameCount + 1> KeyNameTable;

// The USB HID keyboard modifier byte, one name per bit from bit 0 up.
struct ModifierName {
    std::uint8_t Bit;
    const char* Name;
};
inline constexpr std::array<ModifierName, 8> kModifierNames{{
    {0x01, "LCTL"},
    {0x02, "LShft"},
    {0x04, "LALT"},
    {0x08, "LGUI"},
    {0x10, "RCTL"},
    {0x20, "RShft"},
    {0x40, "RALT"},
    {0x80, "RGUI"},
}};

// The bit of the modifier of that name; a name the table lacks does not compile.
consteval std::uint8_t ModifierBit(std::string_view name)
{
    for (const ModifierName& modifier : kModifierNames)
        if (name == modifier.Name) return modifier.Bit;
    throw "no modifier of that name";
}

// One key press with the modifiers held during it. {0, 0} is an empty key set.
struct KeySet {
    std::uint8_t Mods = 0;
    std::uint8_t Code = 0;
    friend bool operator==(const KeySet&, const KeySet&) = default;
};

// The table's name of a key code, or the code as "0x32" when the table has none.
std::string KeyCodeName(std::uint8_t code);

// The modifiers in bit order, then the key: "LCTL+LALT+DELETE", "LGUI+L", "[NONE]".
std::string KeySetText(KeySet keySet);

// Key sets separated by commas, as KeySetText writes them (", " between).
// Names compare without regard to letter case; a key may also be given as a
// hexadecimal code ("0x32"). Empty text is no key set. nullopt when a part
// names no key; error then says which.
std::optional<std::vector<KeySet>> ParseKeySequence(std::string_view text, std::string* error = nullptr);
