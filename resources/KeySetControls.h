#pragma once

// Control ids of the seven key-set groups of the Walk-Away and Walk-To dialogs,
// shared by the dialog templates and the pages that work them.

#include <array>

namespace res {

struct KeySetGroupIds {
    // The modifier boxes LShft, LCTL, LALT, LGUI, RShft, RCTL, RALT, RGUI.
    std::array<int, 8> Modifiers;
    int KeyList;
    int CodeField;
};

inline constexpr int kKeySetGroupCount = 7;
using KeySetGroupTable = std::array<KeySetGroupIds, kKeySetGroupCount>;

inline constexpr KeySetGroupTable kWalkAwayKeySets{{
    {{1002, 1003, 1004, 1031, 1039, 1040, 1041, 1042}, 1015, 1011},
    {{1005, 1006, 1007, 1032, 1043, 1044, 1045, 1046}, 1016, 1012},
    {{1008, 1009, 1010, 1037, 1047, 1048, 1049, 1050}, 1017, 1013},
    {{1018, 1019, 1020, 1038, 1051, 1052, 1053, 1054}, 1022, 1021},
    {{1024, 1025, 1026, 1058, 1055, 1056, 1057, 1059}, 1027, 1028},
    {{1029, 1030, 1033, 1063, 1060, 1061, 1062, 1064}, 1034, 1035},
    {{1036, 1066, 1068, 1070, 1065, 1067, 1069, 1071}, 1072, 1073},
}};

// Groups 1 to 4 are those of the Walk-Away dialog.
inline constexpr KeySetGroupTable kWalkToKeySets{{
    kWalkAwayKeySets[0],
    kWalkAwayKeySets[1],
    kWalkAwayKeySets[2],
    kWalkAwayKeySets[3],
    {{1023, 1024, 1025, 1081, 1085, 1084, 1083, 1082}, 1026, 1027},
    {{1028, 1029, 1030, 1086, 1090, 1089, 1088, 1087}, 1033, 1034},
    {{1035, 1036, 1055, 1095, 1092, 1093, 1094, 1096}, 1056, 1057},
}};

}  // namespace res
