#pragma once

// The quick-setup presets: typical walk-away and walk-to key sets for common
// logon screens, numbered as the quick-setup command's argument and tied to
// the Misc. page's radio buttons.

#include <array>
#include <span>

#include "config/KeyNames.h"

inline constexpr int kPresetKeySets = 4;  // a preset fills key sets 1 to 4
using PresetKeySets = std::array<KeySet, kPresetKeySets>;

struct QuickSetupPreset {
    int Number;    // 1 to 5: the quick-setup command's argument
    int ButtonId;  // the Misc. page's radio button that chooses it
    const char* ButtonCaption;
    PresetKeySets WalkAway;
    PresetKeySets WalkTo;
};

// All presets, in the order of their numbers.
std::span<const QuickSetupPreset> QuickSetupPresets();
// The preset with the given number, or nullptr outside 1 to 5.
const QuickSetupPreset* FindQuickSetupPreset(int number);
// The preset chosen by the given Misc. page radio button, or nullptr.
const QuickSetupPreset* QuickSetupPresetForButton(int buttonId);
