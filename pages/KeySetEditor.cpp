#include "KeySetEditor.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QStandardItemModel>
#include <algorithm>

#include "UiServices.h"
#include "config/ConfigModel.h"
#include "config/KeyNames.h"

namespace {

// The walk-up blocks share the walk-away layout.
constexpr bool samePosition(std::size_t walkUp, std::size_t walkAway)
{
    return walkUp == walkAway;
}
static_assert(samePosition(KeyCountWU, KeyCountWA) && samePosition(InterKeyDelayWU, InterKeyDelayWA) &&
              samePosition(Key1ModsWU, Key1ModsWA) && samePosition(Key1CodeWU, Key1CodeWA));
static_assert(samePosition(KeyCountWUEx, KeyCountWAEx) && samePosition(Key1ModsWUEx, Key1ModsWAEx) &&
              samePosition(Key1CodeWUEx, Key1CodeWAEx));

const QString kExtensionRefusedTip = QStringLiteral(
    "This sensor refused the extension sets when it was last read: its firmware does not support them.");

}  // namespace

KeySetEditor::KeySetEditor(KeySetPage& page, Binding binding) : page_(page), binding_(binding) {}

namespace {

// The key names with their codes, built once and shared by every key list:
// the lists never change their items, and building fourteen lists of them
// item by item is most of what a key-set page costs to create.
QAbstractItemModel* keyNames()
{
    static QStandardItemModel* const names = [] {
        auto* model = new QStandardItemModel(QCoreApplication::instance());
        for (const KeyNameEntry* entry = KeyNameTable.data(); entry->Name != nullptr; ++entry) {
            auto* item = new QStandardItem(QString::fromLatin1(entry->Name));
            item->setData(int{entry->Code}, Qt::UserRole);
            model->appendRow(item);
        }
        return model;
    }();
    return names;
}

}  // namespace

bool KeySetEditor::FillKeyList(QComboBox* list)
{
    if (list == nullptr) return false;
    const int selected = list->currentIndex();
    list->setModel(keyNames());
    // Taking a model selects its first item; keep the selection it had.
    list->setCurrentIndex(selected);
    return true;
}

bool KeySetEditor::ShowKeySet(int n, std::uint16_t mods, std::uint16_t code)
{
    const GroupIds* ids = group(n);
    if (ids == nullptr) return false;
    const std::uint8_t modifierSet = mods & 0xFF;
    const std::uint8_t keyCode = code & 0xFF;
    for (int i = 0; i < kModifierBoxes; ++i)
        page_.CheckDlgButton(ids->Modifiers[i], modifierSet & kModifierBits[i]);
    page_.SetDlgItemInt(ids->CodeField, keyCode);
    QComboBox* list = page_.listItem(ids->KeyList);
    const int item = list->findData(int{keyCode});
    if (item >= 0) list->setCurrentIndex(item);
    return true;
}

std::uint16_t KeySetEditor::ReadKeySet(int n) const
{
    const GroupIds* ids = group(n);
    if (ids == nullptr) return 0;
    std::uint16_t modifierSet = 0;
    for (int i = 0; i < kModifierBoxes; ++i)
        if (page_.IsDlgButtonChecked(ids->Modifiers[i])) modifierSet |= kModifierBits[i];
    const std::uint16_t keyCode = page_.GetDlgItemInt(ids->CodeField) & 0xFF;
    return static_cast<std::uint16_t>(keyCode + 256 * modifierSet);
}

void KeySetEditor::LoadPageFromModel()
{
    BusyCursor busy(page_.ui());
    if (!page_.model().ConfigLoaded) {
        showNoSensor();
        return;
    }
    page_.setEnabled(true);

    showExtensionSupport();
    clearKeysWhenCountIsZero(binding_.BaseBlock, kBaseKeyLayout);
    clearKeysWhenCountIsZero(binding_.ExtensionSet, kExtensionKeyLayout);

    lastGoodDelay_ = std::max(binding_.BaseBlock[kInterKeyDelayWord], kMinDelay);
    page_.SetDlgItemInt(binding_.DelayField, lastGoodDelay_);
    if (binding_.Further)
        page_.SetDlgItemInt(binding_.Further->Id, binding_.BaseBlock[binding_.Further->Word]);

    showBlock(blockOfView(), layoutOfView());

    page_.SetModified(false);
    flag(binding_.BaseChanged) = 0;
    flag(binding_.ExtensionChanged) = 0;
}

// Nothing to show and nothing to write to: the key sets are emptied and the
// page is unavailable until a sensor is read; nothing stays pending.
void KeySetEditor::showNoSensor()
{
    extensionView_ = false;
    enableSeventhGroup(false);
    page_.ClearControlValues();
    page_.setEnabled(false);
    page_.SetModified(false);
    flag(binding_.BaseChanged) = 0;
    flag(binding_.ExtensionChanged) = 0;
}

void KeySetEditor::CollectKeySets()
{
    if (!hasChangeForView()) return;

    std::vector<KeySet> keySets;
    for (int n = 1; n <= layoutOfView().Keys; ++n) {
        const std::uint16_t value = ReadKeySet(n);
        keySets.push_back({static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value & 0xFF)});
    }
    const std::size_t count = StoreKeySets(blockOfView(), layoutOfView(), keySets);

    if (!collectDelay(count > 0)) return;
    if (binding_.Further)
        binding_.BaseBlock[binding_.Further->Word] = collectFurtherNumber(*binding_.Further);
}

std::uint16_t KeySetEditor::collectFurtherNumber(const FurtherField& field)
{
    const limits::HeldNumber held =
        limits::HoldAtLimit(page_.GetDlgItemInt(field.Id), field.Limit, field.What);
    if (!held.Message.empty()) {
        page_.ui().messageBox(&page_, QString::fromStdString(held.Message),
                              QString::fromLatin1(limits::kEntryErrorCaption));
        page_.SetDlgItemInt(field.Id, held.Value);
    }
    return static_cast<std::uint16_t>(held.Value);
}

void KeySetEditor::InitDialog()
{
    extensionView_ = false;
    enableSeventhGroup(false);
    for (const GroupIds& ids : binding_.Groups) FillKeyList(page_.listItem(ids.KeyList));
    LoadPageFromModel();
}

void KeySetEditor::Activate()
{
    if (!page_.model().ConfigLoaded) {
        page_.SetModified(false);
        flag(binding_.BaseChanged) = 0;
        return;
    }
    // Changes not yet applied survive a visit to another page, also extension
    // set changes collected when the user switched back to the base view.
    if (!flag(binding_.BaseChanged) && !flag(binding_.ExtensionChanged)) LoadPageFromModel();
}

void KeySetEditor::Apply()
{
    if (flag(binding_.BaseChanged) || flag(binding_.ExtensionChanged)) WritePageToDevice();
}

void KeySetEditor::WritePageToDevice()
{
    const DeviceOperation operation =
        page_.deviceOperation(QStringLiteral("Writing the %1 settings…").arg(page_.caption()));
    CollectKeySets();
    // When the Sonar page changed a word of the base block, its own apply step
    // (which runs later) writes that block; the extension set is written here.
    if (!flag(binding_.BaseChangedBySonar) && !writeBlock(binding_.WriteBase, binding_.BaseFeatureName))
        return;
    if (extensionSetToWrite() && !writeBlock(binding_.WriteExtension, binding_.ExtensionFeatureName)) return;
    page_.sleepMs(PropertyPage::kWriteSettleMs);
    page_.SetModified(false);
    flag(binding_.BaseChanged) = 0;
    flag(binding_.ExtensionChanged) = 0;
}

void KeySetEditor::Refresh(int argument)
{
    // After a refresh the Misc. page's advanced-settings box is clear; a
    // read-back leaves it as it is.
    if (argument != kReadBack) EnableAdvancedSettings(false);
    LoadPageFromModel();
    // After a restore from file the next Apply writes the restored configuration.
    if (argument == kRestoredFromFile) markChanged(binding_.BaseChanged);
}

void KeySetEditor::EnableAdvancedSettings(bool enabled)
{
    page_.EnableDlgItem(binding_.DelayField, enabled);
    if (binding_.Further) page_.EnableDlgItem(binding_.Further->Id, enabled);
}

void KeySetEditor::QuickSetup(int preset)
{
    if (const QuickSetupPreset* found = FindQuickSetupPreset(preset)) {
        const PresetKeySets& keySets = found->*binding_.Presets;
        for (int i = 0; i < kPresetKeySets; ++i) ShowKeySet(i + 1, keySets[i].Mods, keySets[i].Code);
    }
    markChanged(binding_.BaseChanged);
}

bool KeySetEditor::OnButtonClicked(int id)
{
    if (id == binding_.ExtensionBox) {
        switchView(page_.IsDlgButtonChecked(id));
        return true;
    }
    for (const GroupIds& ids : binding_.Groups) {
        if (std::ranges::find(ids.Modifiers, id) != ids.Modifiers.end()) {
            markChanged(flagOfView());
            return true;
        }
    }
    return false;
}

bool KeySetEditor::OnListSelected(int id)
{
    for (const GroupIds& ids : binding_.Groups) {
        if (ids.KeyList == id) {
            onKeyChosen(ids);
            return true;
        }
    }
    return false;
}

bool KeySetEditor::OnEditChanged(int id)
{
    if (id == binding_.DelayField || (binding_.Further && id == binding_.Further->Id)) {
        markChanged(binding_.BaseChanged);
        return true;
    }
    return std::ranges::any_of(binding_.Groups, [id](const GroupIds& ids) { return ids.CodeField == id; });
}

const KeySetEditor::GroupIds* KeySetEditor::group(int n) const
{
    if (n < 1 || n > kGroupCount) return nullptr;
    return &binding_.Groups[n - 1];
}

std::uint32_t& KeySetEditor::flag(Flag which) const
{
    return page_.model().*which;
}

KeySetEditor::Flag KeySetEditor::flagOfView() const
{
    return extensionView_ ? binding_.ExtensionChanged : binding_.BaseChanged;
}

bool KeySetEditor::hasChangeForView() const
{
    // In the extension view a delay, further-field or quick-setup change sets
    // only the base block's flag; it must still be collected.
    if (extensionView_) return flag(binding_.BaseChanged) || flag(binding_.ExtensionChanged);
    return flag(binding_.BaseChanged) != 0;
}

void KeySetEditor::markChanged(Flag which)
{
    page_.SetModified(true);
    flag(which) = 1;
}

KeySetEditor::Block KeySetEditor::blockOfView() const
{
    return extensionView_ ? binding_.ExtensionSet : binding_.BaseBlock;
}

const KeyBlockLayout& KeySetEditor::layoutOfView() const
{
    return extensionView_ ? kExtensionKeyLayout : kBaseKeyLayout;
}

void KeySetEditor::clearKeysWhenCountIsZero(Block block, const KeyBlockLayout& layout)
{
    if (block[layout.KeyCount] != 0) return;
    for (int i = 0; i < layout.Keys; ++i) {
        block[layout.FirstMods + i] = 0;
        block[layout.FirstCode + i] = 0;
    }
}

void KeySetEditor::showBlock(Block block, const KeyBlockLayout& layout)
{
    for (int i = 0; i < layout.Keys; ++i)
        ShowKeySet(i + 1, block[layout.FirstMods + i], block[layout.FirstCode + i]);
}

bool KeySetEditor::collectDelay(bool anyKeySet)
{
    const std::uint32_t delay = page_.GetDlgItemInt(binding_.DelayField);
    if (!InterKeyDelayAccepted(delay, anyKeySet)) {
        page_.ui().messageBox(&page_, QString::fromLatin1(kInterKeyDelayMessage));
        page_.SetDlgItemInt(binding_.DelayField, lastGoodDelay_);
        return false;
    }
    binding_.BaseBlock[kInterKeyDelayWord] = StoredWord(delay);
    lastGoodDelay_ = binding_.BaseBlock[kInterKeyDelayWord];
    return true;
}

void KeySetEditor::switchView(bool toExtension)
{
    CollectKeySets();
    extensionView_ = toExtension;
    enableSeventhGroup(toExtension);
    if (toExtension) {
        showBlock(binding_.ExtensionSet, kExtensionKeyLayout);
    } else {
        showBlock(binding_.BaseBlock, kBaseKeyLayout);
        ShowKeySet(kGroupCount, 0, 0);
    }
}

// A sensor that refused the extension sets cannot take them either: the box
// is disabled and says why, and the page goes back to the base view.
void KeySetEditor::showExtensionSupport()
{
    const bool refused = page_.model().ExtensionSetsRefused != 0;
    QWidget* box = page_.item(binding_.ExtensionBox);
    box->setEnabled(!refused);
    box->setToolTip(refused ? kExtensionRefusedTip : QString());
    if (!refused || !extensionView_) return;
    extensionView_ = false;
    page_.CheckDlgButton(binding_.ExtensionBox, false);
    enableSeventhGroup(false);
    ShowKeySet(kGroupCount, 0, 0);
}

void KeySetEditor::enableSeventhGroup(bool enabled)
{
    const GroupIds& seventh = binding_.Groups[kGroupCount - 1];
    for (int id : seventh.Modifiers) page_.EnableDlgItem(id, enabled);
    page_.EnableDlgItem(seventh.KeyList, enabled);
    page_.EnableDlgItem(seventh.CodeField, enabled);
}

void KeySetEditor::onKeyChosen(const GroupIds& ids)
{
    QComboBox* list = page_.listItem(ids.KeyList);
    if (list->currentIndex() < 0) return;
    const std::uint32_t code = list->currentData().toUInt();
    page_.SetDlgItemInt(ids.CodeField, code);
    if (code == 0)
        for (int id : ids.Modifiers) page_.CheckDlgButton(id, false);
    markChanged(flagOfView());
}

// A sensor that refused the extension sets when it was read would refuse an
// unchanged one too: that is no failure, so only a changed one is sent to it.
bool KeySetEditor::extensionSetToWrite() const
{
    return !page_.model().ExtensionSetsRefused || flag(binding_.ExtensionChanged);
}

bool KeySetEditor::writeBlock(WriteOperation write, const char* featureName)
{
    if ((page_.model().*write)() != 0) return true;
    page_.ui().messageBox(&page_, QString::fromStdString(WriteFailedMessage(featureName)));
    return false;
}

KeySetPage::KeySetPage(const res::DialogTemplate& dialog, PageContext context, KeySetEditor::Binding binding,
                       QWidget* parent)
    : PropertyPage(dialog, context, parent), editor_(*this, binding)
{
}

bool KeySetPage::OnSetActive()
{
    editor_.Activate();
    return true;
}

bool KeySetPage::OnApply()
{
    editor_.Apply();
    return true;
}

void KeySetPage::OnPageCommand(PageCommand command, int argument)
{
    switch (command) {
        case PageCommand::Refresh:
            editor_.Refresh(argument);
            break;
        case PageCommand::AdvancedSettings:
            editor_.EnableAdvancedSettings(argument != kAdvancedHidden);
            break;
        case PageCommand::QuickSetup:
            editor_.QuickSetup(argument);
            break;
    }
}

void KeySetPage::OnInitDialog()
{
    editor_.InitDialog();
}

void KeySetPage::OnEditChanged(int id)
{
    if (!editor_.OnEditChanged(id)) PropertyPage::OnEditChanged(id);
}

void KeySetPage::OnButtonClicked(int id)
{
    if (!editor_.OnButtonClicked(id)) PropertyPage::OnButtonClicked(id);
}

void KeySetPage::OnListSelected(int id)
{
    if (!editor_.OnListSelected(id)) PropertyPage::OnListSelected(id);
}
