#pragma once

// Dialog templates as data: every control of a page with its numeric id,
// kind, caption, position and size in dialog units, and style. Pages are
// built from them at run time.

#include <span>

namespace res {

enum class ControlKind {
    GroupBox,
    Label,  // static text
    PushButton,
    CheckBox,     // automatic two-state check box
    RadioButton,  // automatic radio button; StartsGroup marks the first of a group
    NumberEdit,   // single-line edit
    DropDownList  // drop-down list that cannot be typed into; Height is the dropped-down height
};

enum Style : unsigned {
    NoStyle = 0,
    Hidden = 1u << 0,
    Disabled = 1u << 1,
    DigitsOnly = 1u << 2,
    Centered = 1u << 3,
    ReadOnly = 1u << 4,
    StartsGroup = 1u << 5,
    VerticalScroll = 1u << 6,
};

inline constexpr int kNoId = -1;  // labels and group boxes that nothing refers to

struct ControlTemplate {
    int Id;
    ControlKind Kind;
    const char* Caption;
    int X, Y, Width, Height;
    unsigned Styles;
};

struct DialogTemplate {
    int Id;
    const char* Caption;  // the tab text
    int Width, Height;
    const char* FontName;
    int FontPointSize;
    std::span<const ControlTemplate> Controls;
};

const DialogTemplate& SonarDialog();     // 107
const DialogTemplate& WalkAwayDialog();  // 108
const DialogTemplate& WalkToDialog();    // 109
const DialogTemplate& MiscDialog();      // 110

}  // namespace res
