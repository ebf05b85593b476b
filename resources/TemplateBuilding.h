#pragma once

// Building blocks of the dialog templates: joining control tables at compile
// time, and the key-set group that the Walk-Away and Walk-To dialogs repeat
// seven times.

#include <algorithm>
#include <array>
#include <cstddef>

#include "DialogTemplate.h"
#include "KeySetControls.h"

namespace res::detail {

template <std::size_t... N>
constexpr auto join(const std::array<ControlTemplate, N>&... parts)
{
    std::array<ControlTemplate, (N + ...)> all{};
    auto next = all.begin();
    ((next = std::copy(parts.begin(), parts.end(), next)), ...);
    return all;
}

inline constexpr int kKeySetGroupTop = 7;
inline constexpr int kKeySetGroupWidth = 86;
inline constexpr int kKeySetGroupHeight = 118;
inline constexpr int kKeySetGroupPitch = 96;
inline constexpr int kKeySetGroupFirstLeft = 7;

constexpr int keySetGroupLeft(int number)
{
    return kKeySetGroupFirstLeft + kKeySetGroupPitch * (number - 1);
}

// A group box, its eight modifier boxes in two columns of four, the "Key"
// label with the read-only code field, and the key list at the bottom.
constexpr std::array<ControlTemplate, 12> keySetGroup(const char* caption, int left,
                                                      const KeySetGroupIds& ids, unsigned styles)
{
    const int leftColumn = left + 10;
    const int rightColumn = left + 60;
    constexpr int kBoxWidth = 32, kBoxHeight = 12;
    constexpr int kRows[] = {18, 34, 50, 66};
    return {{
        {kNoId, ControlKind::GroupBox, caption, left, kKeySetGroupTop, kKeySetGroupWidth, kKeySetGroupHeight,
         NoStyle},
        {ids.Modifiers[0], ControlKind::CheckBox, "LShft", leftColumn, kRows[0], kBoxWidth, kBoxHeight,
         styles},
        {ids.Modifiers[1], ControlKind::CheckBox, "LCTL", leftColumn, kRows[1], kBoxWidth, kBoxHeight,
         styles},
        {ids.Modifiers[2], ControlKind::CheckBox, "LALT", leftColumn, kRows[2], kBoxWidth, kBoxHeight,
         styles},
        {ids.Modifiers[3], ControlKind::CheckBox, "LGUI", leftColumn, kRows[3], kBoxWidth, kBoxHeight,
         styles},
        {ids.Modifiers[4], ControlKind::CheckBox, "RShft", rightColumn, kRows[0], kBoxWidth, kBoxHeight,
         styles},
        {ids.Modifiers[5], ControlKind::CheckBox, "RCTL", rightColumn, kRows[1], kBoxWidth, kBoxHeight,
         styles},
        {ids.Modifiers[6], ControlKind::CheckBox, "RALT", rightColumn, kRows[2], kBoxWidth, kBoxHeight,
         styles},
        {ids.Modifiers[7], ControlKind::CheckBox, "RGUI", rightColumn, kRows[3], kBoxWidth, kBoxHeight,
         styles},
        {kNoId, ControlKind::Label, "Key", leftColumn, 89, 20, 8, NoStyle},
        {ids.CodeField, ControlKind::NumberEdit, "", left + 40, 87, 34, 12, DigitsOnly | ReadOnly | styles},
        {ids.KeyList, ControlKind::DropDownList, "", left + 6, 106, 74, 62, VerticalScroll | styles},
    }};
}

// The seven key-set groups side by side; the seventh starts disabled and may
// stand a unit off the common pitch.
constexpr auto keySetGroups(const KeySetGroupTable& ids, int seventhLeft)
{
    return join(keySetGroup("Key Set 1", keySetGroupLeft(1), ids[0], NoStyle),
                keySetGroup("Key Set 2", keySetGroupLeft(2), ids[1], NoStyle),
                keySetGroup("Key Set 3", keySetGroupLeft(3), ids[2], NoStyle),
                keySetGroup("Key Set 4", keySetGroupLeft(4), ids[3], NoStyle),
                keySetGroup("Key Set 5", keySetGroupLeft(5), ids[4], NoStyle),
                keySetGroup("Key Set 6", keySetGroupLeft(6), ids[5], NoStyle),
                keySetGroup("Key Set 7", seventhLeft, ids[6], Disabled));
}

// The row under the groups: the inter-key delay field with its label and note.
constexpr std::array<ControlTemplate, 3> delayRow(int delayId)
{
    return {{
        {kNoId, ControlKind::Label, "Delay (msec) between key presses:", 7, 131, 138, 8, NoStyle},
        {delayId, ControlKind::NumberEdit, "", 149, 129, 37, 13, DigitsOnly | Centered | Disabled},
        {kNoId, ControlKind::Label, "( rounded to nearest 64msec )", 192, 131, 110, 8, NoStyle},
    }};
}

}  // namespace res::detail
