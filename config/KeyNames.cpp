#include "config/KeyNames.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

const std::array<KeyNameEntry, kKeyNameCount + 1> KeyNameTable{{
    {0x00, "[NONE]"},
    {0x04, "A"},
    {0x05, "B"},
    {0x06, "C"},
    {0x07, "D"},
    {0x08, "E"},
    {0x09, "F"},
    {0x0A, "G"},
    {0x0B, "H"},
    {0x0C, "I"},
    {0x0D, "J"},
    {0x0E, "K"},
    {0x0F, "L"},
    {0x10, "M"},
    {0x11, "N"},
    {0x12, "O"},
    {0x13, "P"},
    {0x14, "Q"},
    {0x15, "R"},
    {0x16, "S"},
    {0x17, "T"},
    {0x18, "U"},
    {0x19, "V"},
    {0x1A, "W"},
    {0x1B, "X"},
    {0x1C, "Y"},
    {0x1D, "Z"},
    {0x1E, "1"},
    {0x1F, "2"},
    {0x20, "3"},
    {0x21, "4"},
    {0x22, "5"},
    {0x23, "6"},
    {0x24, "7"},
    {0x25, "8"},
    {0x26, "9"},
    {0x27, "0"},
    {0x28, "ENTER"},
    {0x29, "ESC"},
    {0x2A, "BKSPC"},
    {0x2B, "TAB"},
    {0x2C, "SPACE"},
    {0x2D, "- MINUS"},
    {0x2E, "="},
    {0x2F, "["},
    {0x30, "]"},
    {0x31, "\\"},
    {0x33, "; SEMICOLON"},
    {0x34, "' SNGLQUOTE"},
    {0x35, "`"},
    {0x36, ", COMMA"},
    {0x37, ". PERIOD"},
    {0x38, "/"},
    {0x39, "CAPSLOCK"},
    {0x3A, "F1"},
    {0x3B, "F2"},
    {0x3C, "F3"},
    {0x3D, "F4"},
    {0x3E, "F5"},
    {0x3F, "F6"},
    {0x40, "F7"},
    {0x41, "F8"},
    {0x42, "F9"},
    {0x43, "F10"},
    {0x44, "F11"},
    {0x45, "F12"},
    {0x46, "PRNTSCRN"},
    {0x47, "SCRLLOCK"},
    {0x49, "INSERT"},
    {0x4A, "HOME"},
    {0x4B, "PGUP"},
    {0x4C, "DELETE"},
    {0x4D, "END"},
    {0x4E, "PGDN"},
    {0x4F, "RIGHT"},
    {0x50, "LEFT"},
    {0x51, "DOWN"},
    {0x52, "UP"},
    {0x53, "KP NUMLOCK"},
    {0x54, "KP /"},
    {0x55, "KP *"},
    {0x56, "KP - MINUS"},
    {0x57, "KP +"},
    {0x58, "KP ENTER"},
    {0x59, "KP 1 [END]"},
    {0x5A, "KP 2 [DOWN]"},
    {0x5B, "KP 3 [PGDN]"},
    {0x5C, "KP 4 [LEFT]"},
    {0x5D, "KP 5"},
    {0x5E, "KP 6 [RIGHT]"},
    {0x5F, "KP 7 [HOME]"},
    {0x60, "KP 8 [UP]"},
    {0x61, "KP 9 [PGUP]"},
    {0x62, "KP 0 [INS]"},
    {0x63, "KP . [DEL]"},
    {0x65, "APPS"},
    {kKeyNameEndCode, nullptr},
}};

namespace {

bool SameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::ranges::equal(a, b, [](unsigned char x, unsigned char y) {
               return std::toupper(x) == std::toupper(y);
           });
}

bool StartsWithLetters(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameLetters(text.substr(0, prefix.size()), prefix);
}

std::string_view SkipBlanks(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

// What may follow a key name: the end, or blanks and the comma before the next key set.
bool EndsKeySet(std::string_view rest)
{
    rest = SkipBlanks(rest);
    return rest.empty() || rest.front() == ',';
}

// Takes "LCTL+", "LALT+" ... from the front of text.
std::uint8_t TakeModifiers(std::string_view& text)
{
    std::uint8_t mods = 0;
    for (bool found = true; found;) {
        found = false;
        for (const ModifierName& modifier : kModifierNames) {
            const std::string_view name = modifier.Name;
            if (StartsWithLetters(text, name) && text.size() > name.size() && text[name.size()] == '+') {
                mods |= modifier.Bit;
                text.remove_prefix(name.size() + 1);
                found = true;
            }
        }
    }
    return mods;
}

// The longest key name at the front of text that ends the key set; names such
// as ", COMMA" and "KP +" hold the separators themselves.
std::optional<std::uint8_t> TakeKeyName(std::string_view& text)
{
    const KeyNameEntry* best = nullptr;
    for (const KeyNameEntry* entry = KeyNameTable.data(); entry->Name != nullptr; ++entry) {
        const std::string_view name = entry->Name;
        if (StartsWithLetters(text, name) && EndsKeySet(text.substr(name.size())) &&
            (best == nullptr || name.size() > std::string_view(best->Name).size())) {
            best = entry;
        }
    }
    if (best != nullptr) {
        text.remove_prefix(std::string_view(best->Name).size());
        return static_cast<std::uint8_t>(best->Code);
    }
    // A code without a name: "0x" and one or two hexadecimal digits.
    if (!StartsWithLetters(text, "0x")) return std::nullopt;
    std::size_t length = 2;
    unsigned code = 0;
    while (length < text.size() && length < 4 && std::isxdigit(static_cast<unsigned char>(text[length]))) {
        const char digit = static_cast<char>(std::toupper(static_cast<unsigned char>(text[length])));
        code = code * 16 + static_cast<unsigned>(digit <= '9' ? digit - '0' : digit - 'A' + 10);
        ++length;
    }
    if (length > 2 && EndsKeySet(text.substr(length))) {
        text.remove_prefix(length);
        return static_cast<std::uint8_t>(code);
    }
    return std::nullopt;
}

}  // namespace

std::string KeyCodeName(std::uint8_t code)
{
    for (const KeyNameEntry* entry = KeyNameTable.data(); entry->Name != nullptr; ++entry)
        if (entry->Code == code) return entry->Name;
    char number[8];
    std::snprintf(number, sizeof number, "0x%02X", unsigned{code});
    return number;
}

std::string KeySetText(KeySet keySet)
{
    std::string text;
    for (const ModifierName& modifier : kModifierNames) {
        if (keySet.Mods & modifier.Bit) {
            text += modifier.Name;
            text += '+';
        }
    }
    return text + KeyCodeName(keySet.Code);
}

std::optional<std::vector<KeySet>> ParseKeySequence(std::string_view text, std::string* error)
{
    std::vector<KeySet> keySets;
    text = SkipBlanks(text);
    if (text.empty()) return keySets;
    for (;;) {
        const std::string_view start = text;
        KeySet keySet;
        keySet.Mods = TakeModifiers(text);
        const std::optional<std::uint8_t> code = TakeKeyName(text);
        if (!code) {
            if (error) *error = "no key named \"" + std::string(start.substr(0, start.find(','))) + "\"";
            return std::nullopt;
        }
        keySet.Code = *code;
        keySets.push_back(keySet);
        text = SkipBlanks(text);
        if (text.empty()) return keySets;
        text = SkipBlanks(text.substr(1));  // the comma
    }
}
