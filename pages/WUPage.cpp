#include "WUPage.h"

#include "config/ConfigModel.h"
#include "resources/DialogTemplate.h"
#include "resources/KeySetControls.h"

namespace {

constexpr int kDelayField = 1014;
constexpr int kExtensionBox = 1091;

KeySetEditor::Binding walkUpBinding(ConfigModel& model)
{
    return {
        .Groups = res::kWalkToKeySets,
        .DelayField = kDelayField,
        .ExtensionBox = kExtensionBox,
        .Further = std::nullopt,
        .BaseBlock = model.EditCfg.WalkUp.Words,
        .ExtensionSet = model.EditCfg.WalkUpEx.Words,
        .BaseChanged = &ConfigModel::WalkUpChanged,
        .ExtensionChanged = &ConfigModel::WalkUpExChanged,
        .BaseChangedBySonar = &ConfigModel::WalkUpChangedBySonar,
        .WriteBase = &ConfigModel::WriteWalkUpToDevice,
        .WriteExtension = &ConfigModel::WriteWalkUpExToDevice,
        .BaseFeatureName = "WalkUp",
        .ExtensionFeatureName = "WalkUpEx",
        .Presets = &QuickSetupPreset::WalkTo,
    };
}

}  // namespace

WUPage::WUPage(PageContext context, QWidget* parent)
    : KeySetPage(res::WalkToDialog(), context, walkUpBinding(context.Model), parent)
{
}

void WUPage::CollectKeySets()
{
    editor().CollectKeySets();
}
