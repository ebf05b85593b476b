#include "WUPage.h"

#include "config/ConfigModel.h"
#include "resources/DialogTemplate.h"

namespace {

constexpr int kDelayField = 1014;
constexpr int kExtensionBox = 1091;

// Key-set groups 1 to 7: LShft, LCTL, LALT, LGUI, RShft, RCTL, RALT, RGUI, key list, code field.
constexpr std::array<KeySetEditor::GroupIds, KeySetEditor::kGroupCount> kGroups{{
    {{1002, 1003, 1004, 1031, 1039, 1040, 1041, 1042}, 1015, 1011},
    {{1005, 1006, 1007, 1032, 1043, 1044, 1045, 1046}, 1016, 1012},
    {{1008, 1009, 1010, 1037, 1047, 1048, 1049, 1050}, 1017, 1013},
    {{1018, 1019, 1020, 1038, 1051, 1052, 1053, 1054}, 1022, 1021},
    {{1023, 1024, 1025, 1081, 1085, 1084, 1083, 1082}, 1026, 1027},
    {{1028, 1029, 1030, 1086, 1090, 1089, 1088, 1087}, 1033, 1034},
    {{1035, 1036, 1055, 1095, 1092, 1093, 1094, 1096}, 1056, 1057},
}};

KeySetEditor::Binding walkUpBinding(ConfigModel& model)
{
    return {
        .Groups = kGroups,
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
