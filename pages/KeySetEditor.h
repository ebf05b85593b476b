#pragma once

// The key-sequence editor shared by the Walk-Away and Walk-To pages: seven
// key-set groups (eight modifier boxes, a code field and a key list each), the
// inter-key delay, the "Extension Set" view switch, and the page steps both
// pages share (activation, apply, refresh, advanced settings, quick setup).
// A page binds it to its control ids, its two blocks in the model's edit set,
// its change flags, its write operations and its optional further field;
// KeySetPage is the page half that hands the page's events to the editor.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "PropertyPage.h"
#include "QuickSetupPresets.h"
#include "config/ByteLimits.h"
#include "config/KeyNames.h"
#include "config/KeySequence.h"
#include "devlib/ParameterBlocks.h"
#include "resources/KeySetControls.h"

class QComboBox;
class KeySetPage;

class KeySetEditor {
public:
    static constexpr int kGroupCount = res::kKeySetGroupCount;
    static constexpr int kModifierBoxes = 8;
    static constexpr std::uint16_t kMinDelay = kMinInterKeyDelay;
    static constexpr std::uint16_t kMaxDelay = kMaxInterKeyDelay;

    // The modifier bit of each box, in the order a group lists its boxes.
    static constexpr std::array<std::uint8_t, kModifierBoxes> kModifierBits{
        ModifierBit("LShft"), ModifierBit("LCTL"), ModifierBit("LALT"), ModifierBit("LGUI"),
        ModifierBit("RShft"), ModifierBit("RCTL"), ModifierBit("RALT"), ModifierBit("RGUI")};

    // Modifier boxes in the order of kModifierBits.
    using GroupIds = res::KeySetGroupIds;

    // A word of the base block shown in a number field of its own.
    // A one-byte number beside the key sets, held at its limit with a message.
    struct FurtherField {
        int Id;
        std::size_t Word;
        std::uint32_t Limit;
        limits::ByteNumber What;
    };

    using Block = std::span<std::uint16_t, 16>;
    using WriteOperation = int (ConfigModel::*)();
    using Flag = std::uint32_t ConfigModel::*;

    struct Binding {
        const res::KeySetGroupTable& Groups;
        int DelayField;
        int ExtensionBox;
        std::optional<FurtherField> Further;
        Block BaseBlock;     // in the model's edit set
        Block ExtensionSet;  // in the model's edit set
        Flag BaseChanged;
        Flag ExtensionChanged;
        Flag BaseChangedBySonar;  // read only: the Sonar page writes the base block then
        WriteOperation WriteBase;
        WriteOperation WriteExtension;
        const char* BaseFeatureName;  // as the write-failure message names the blocks
        const char* ExtensionFeatureName;
        PresetKeySets QuickSetupPreset::*Presets;
    };

    KeySetEditor(KeySetPage& page, Binding binding);

    // Gives a list the key names, each item carrying its code (one model
    // shared by every list); false without a list.
    static bool FillKeyList(QComboBox* list);

    // Shows a modifier set and key code (low bytes) in group n (1 to 7);
    // false for any other n.
    bool ShowKeySet(int n, std::uint16_t mods, std::uint16_t code);
    // The key-set value of group n: code + 256 * modifier set; 0 outside 1 to 7.
    std::uint16_t ReadKeySet(int n) const;

    // Refills the controls of the view shown from the edit set and clears the
    // page's modified mark and both change flags; without a sensor the page
    // shows nothing and is unavailable.
    void LoadPageFromModel();
    // Stores the defined key sets of the view shown, the delay and the
    // further field into the edit set, when the page holds a change for it.
    void CollectKeySets();

    bool ExtensionView() const { return extensionView_; }
    std::uint16_t LastGoodDelay() const { return lastGoodDelay_; }

    // ---- Page steps ----
    void InitDialog();
    void Activate();
    void Apply();
    // Collects, writes both blocks (the base block is left to the Sonar page
    // when it changed a word of it; an unchanged extension set is not sent to
    // a sensor that refused the extension sets when read), waits and clears
    // the page's changes.
    void WritePageToDevice();
    void Refresh(int argument);
    void EnableAdvancedSettings(bool enabled);
    void QuickSetup(int preset);

    // ---- Control events; each returns whether the control is the editor's ----
    bool OnButtonClicked(int id);
    bool OnListSelected(int id);
    bool OnEditChanged(int id);

private:
    const GroupIds* group(int n) const;
    std::uint32_t& flag(Flag which) const;
    // The flag that key-set edits set: the one of the block shown.
    Flag flagOfView() const;
    bool hasChangeForView() const;
    void markChanged(Flag which);

    Block blockOfView() const;
    const KeyBlockLayout& layoutOfView() const;
    void clearKeysWhenCountIsZero(Block block, const KeyBlockLayout& layout);
    void showBlock(Block block, const KeyBlockLayout& layout);
    bool collectDelay(bool anyKeySet);
    std::uint16_t collectFurtherNumber(const FurtherField& field);

    void showNoSensor();
    void showExtensionSupport();
    void switchView(bool toExtension);
    void enableSeventhGroup(bool enabled);
    void onKeyChosen(const GroupIds& group);
    bool extensionSetToWrite() const;
    bool writeBlock(WriteOperation write, const char* featureName);

    KeySetPage& page_;
    Binding binding_;
    bool extensionView_ = false;
    std::uint16_t lastGoodDelay_ = 0;
};

// A page built around a key-set editor: hands its life cycle, the page
// commands and its control events to the editor.
class KeySetPage : public PropertyPage {
    Q_OBJECT
public:
    KeySetPage(const res::DialogTemplate& dialog, PageContext context, KeySetEditor::Binding binding,
               QWidget* parent);

    bool OnSetActive() override;
    // Always succeeds: a failed write is reported by the editor, and the sheet may close.
    bool OnApply() override;
    void OnPageCommand(PageCommand command, int argument) override;

    KeySetEditor& editor() { return editor_; }
    const KeySetEditor& editor() const { return editor_; }

protected:
    void OnInitDialog() override;
    void OnEditChanged(int id) override;
    void OnButtonClicked(int id) override;
    void OnListSelected(int id) override;

private:
    // The editor works the page's controls through the page's id helpers.
    friend class KeySetEditor;
    KeySetEditor editor_;
};
