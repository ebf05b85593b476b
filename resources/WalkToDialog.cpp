// Dialog 109, the Walk-To page: seven key-set groups, the inter-key delay and
// the "Extension Set" switch.

#include "TemplateBuilding.h"

namespace res {
namespace {

using detail::keySetGroup;
using detail::keySetGroupLeft;
using detail::KeySetIds;

// The seventh group stands one unit further right than on the Walk-Away page.
constexpr int kSeventhGroupLeft = 584;

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
                             KeySetIds{1023, 1024, 1025, 1081, 1085, 1084, 1083, 1082, 1026, 1027}, NoStyle),
                 keySetGroup("Key Set 6", keySetGroupLeft(6),
                             KeySetIds{1028, 1029, 1030, 1086, 1090, 1089, 1088, 1087, 1033, 1034}, NoStyle),
                 keySetGroup("Key Set 7", kSeventhGroupLeft,
                             KeySetIds{1035, 1036, 1055, 1095, 1092, 1093, 1094, 1096, 1056, 1057}, Disabled),
                 detail::delayRow(1014),
                 std::array<ControlTemplate, 1>{{
                     {1091, ControlKind::CheckBox, "Extension Set", 583, 137, 79, 14, NoStyle},
                 }});

constexpr DialogTemplate kDialog{109, "Walk-To", 680, 170, "MS Sans Serif", 8, kControls};

}  // namespace

const DialogTemplate& WalkToDialog()
{
    return kDialog;
}

}  // namespace res
