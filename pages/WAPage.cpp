#include "WAPage.h"

#include "config/ConfigModel.h"
#include "resources/DialogTemplate.h"
#include "resources/KeySetControls.h"

namespace {

constexpr int kDelayField = 1014;
constexpr int kFaultSendRateField = 1023;
constexpr int kExtensionBox = 1080;

KeySetEditor::Binding walkAwayBinding(ConfigModel& model)
{
    return {
        .Groups = res::kWalkAwayKeySets,
        .DelayField = kDelayField,
        .ExtensionBox = kExtensionBox,
        .Further = KeySetEditor::FurtherField{kFaultSendRateField, MinFltRepRate, limits::kMaxFaultSendRate,
                                              limits::kFaultSendRate},
        .BaseBlock = model.EditCfg.WalkAway.Words,
        .ExtensionSet = model.EditCfg.WalkAwayEx.Words,
        .BaseChanged = &ConfigModel::WalkAwayChanged,
        .ExtensionChanged = &ConfigModel::WalkAwayExChanged,
        .BaseChangedBySonar = &ConfigModel::WalkAwayChangedBySonar,
        .WriteBase = &ConfigModel::WriteWalkAwayToDevice,
        .WriteExtension = &ConfigModel::WriteWalkAwayExToDevice,
        .BaseFeatureName = "WalkAway",
        .ExtensionFeatureName = "WalkAwayEx",
        .Presets = &QuickSetupPreset::WalkAway,
    };
}

}  // namespace

WAPage::WAPage(PageContext context, QWidget* parent)
    : KeySetPage(res::WalkAwayDialog(), context, walkAwayBinding(context.Model), parent)
{
}

void WAPage::CollectKeySets()
{
    editor().CollectKeySets();
}
