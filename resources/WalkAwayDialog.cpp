// Dialog 108, the Walk-Away page: seven key-set groups, the inter-key delay,
// the minimum-distance fault send rate and the "Extension Set" switch.

#include "TemplateBuilding.h"

namespace res {
namespace {

using detail::keySetGroup;
using detail::keySetGroupLeft;
using detail::KeySetIds;

constexpr auto kControls =
    detail::join(keySetGroup("Key Set 1", keySetGroupLeft(1),
                             KeySetIds{1002, 1003, 1004, 1031, 1039, 1040, 1041, 1042, 1015, 1011}, NoStyle),
                 keySetGroup("Key Set 2", keySetGroupLeft(2),
                             KeySetIds{1005, 1006, 1007, 1032, 1043, 1044, 1045, 1046, 1016, 1012}, NoStyle),
                 keySetGroup("Key Set 3", keySetGroupLeft(3),
                             KeySetIds{1008, 1009, 1010, 1037, 1047, 1048, 1049, 1050, 1017, 1013}, NoStyle),
                 keySetGroup("Key Set 4", keySetGroupLeft(4),
                             KeySetIds{1018, 1019, 1020, 1038, 1051, 1052, 1053, 1054, 1022, 1021}, NoStyle),
                 keySetGroup("Key Set 5", keySetGroupLeft(5),
                             KeySetIds{1024, 1025, 1026, 1058, 1055, 1056, 1057, 1059, 1027, 1028}, NoStyle),
                 keySetGroup("Key Set 6", keySetGroupLeft(6),
                             KeySetIds{1029, 1030, 1033, 1063, 1060, 1061, 1062, 1064, 1034, 1035}, NoStyle),
                 keySetGroup("Key Set 7", keySetGroupLeft(7),
                             KeySetIds{1036, 1066, 1068, 1070, 1065, 1067, 1069, 1071, 1072, 1073}, Disabled),
                 detail::delayRow(1014),
                 std::array<ControlTemplate, 3>{{
                     {kNoId, ControlKind::Label, "MinDist Fault Send Rate (sec):", 7, 152, 138, 8, NoStyle},
                     {1023, ControlKind::NumberEdit, "", 149, 150, 37, 13, DigitsOnly | Centered | Disabled},
                     {1080, ControlKind::CheckBox, "Extension Set", 583, 137, 79, 14, NoStyle},
                 }});

constexpr DialogTemplate kDialog{108, "Walk-Away", 684, 170, "MS Sans Serif", 8, kControls};

}  // namespace

const DialogTemplate& WalkAwayDialog()
{
    return kDialog;
}

}  // namespace res
