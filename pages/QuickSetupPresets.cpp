#include "QuickSetupPresets.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kLeftCtrl = ModifierBit("LCTL");
constexpr std::uint8_t kLeftAlt = ModifierBit("LALT");
constexpr std::uint8_t kLeftGui = ModifierBit("LGUI");

constexpr std::uint8_t kKeyK = 0x0E;
constexpr std::uint8_t kKeyL = 0x0F;
constexpr std::uint8_t kKeyBackspace = 0x2A;
constexpr std::uint8_t kKeyEscape = 0x29;
constexpr std::uint8_t kKeyDelete = 0x4C;

constexpr KeySet kEmpty{0, 0};
constexpr KeySet kCtrlAltDelete{kLeftCtrl | kLeftAlt, kKeyDelete};
constexpr KeySet kGuiL{kLeftGui, kKeyL};

constexpr PresetKeySets kNoKeys{kEmpty, kEmpty, kEmpty, kEmpty};
constexpr PresetKeySets kLockChord{kGuiL, kEmpty, kEmpty, kEmpty};
constexpr PresetKeySets kSecureAttention{kCtrlAltDelete, kEmpty, kEmpty, kEmpty};

constexpr std::array<QuickSetupPreset, 5> kPresets{{
    {1, 1040, "Win2K", {kCtrlAltDelete, {0, kKeyK}, {0, kKeyBackspace}, {0, kKeyEscape}}, kSecureAttention},
    {2, 1041, "WinXP Welcome Screen Logon", kLockChord, kNoKeys},
    {3, 1042, "Win98/ME", kNoKeys, kNoKeys},
    {4, 1043, "WinXP Classic Logon Prompt", kLockChord, kSecureAttention},
    {5, 1044, "Vista / Win7", kLockChord, kNoKeys},
}};

}  // namespace

std::span<const QuickSetupPreset> QuickSetupPresets()
{
    return kPresets;
}

const QuickSetupPreset* FindQuickSetupPreset(int number)
{
    auto it = std::ranges::find(kPresets, number, &QuickSetupPreset::Number);
    return it == kPresets.end() ? nullptr : &*it;
}

const QuickSetupPreset* QuickSetupPresetForButton(int buttonId)
{
    auto it = std::ranges::find(kPresets, buttonId, &QuickSetupPreset::ButtonId);
    return it == kPresets.end() ? nullptr : &*it;
}
