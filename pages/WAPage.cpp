#include "WAPage.h"

#include "config/ConfigModel.h"
#include "resources/DialogTemplate.h"

namespace {

constexpr int kDelayField = 1014;
constexpr int kFaultSendRateField = 1023;
constexpr int kExtensionBox = 1080;

// Key-set groups 1 to 7: LShft, LCTL, LALT, LGUI, RShft, RCTL, RALT, RGUI, key list, code field.
constexpr std::array<KeySetEditor::GroupIds, KeySetEditor::kGroupCount> kGroups{{
    {{1002, 1003, 1004, 1031, 1039, 1040, 1041, 1042}, 1015, 1011},
    {{1005, 1006, 1007, 1032, 1043, 1044, 1045, 1046}, 1016, 1012},
    {{1008, 1009, 1010, 1037, 1047, 1048, 1049, 1050}, 1017, 1013},
    {{1018, 1019, 1020, 1038, 1051, 1052, 1053, 1054}, 1022, 1021},
    {{1024, 1025, 1026, 1058, 1055, 1056, 1057, 1059}, 1027, 1028},
    {{1029, 1030, 1033, 1063, 1060, 1061, 1062, 1064}, 1034, 1035},
    {{1036, 1066, 1068, 1070, 1065, 1067, 1069, 1071}, 1072, 1073},
}};

KeySetEditor::Binding walkAwayBinding(ConfigModel& model)
{
    return {
        .Groups = kGroups,
        .DelayField = kDelayField,
        .ExtensionBox = kExtensionBox,
        .Further = KeySetEditor::FurtherField{kFaultSendRateField, MinFltRepRate},
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
