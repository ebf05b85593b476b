#pragma once

// Control ids of dialog 110, the Misc. page.

namespace misc {

enum Control : int {
    ResetAll = 1033,
    RestoreDefaults = 1034,
    SaveDefaults = 1035,
    AdvancedSettings = 1039,
    QuickWin2K = 1040,
    QuickWinXPWelcome = 1041,
    QuickWin98 = 1042,  // hidden when the page is created and never shown
    QuickWinXPClassic = 1043,
    QuickVista = 1044,
    GetRange = 1049,
    RangeText = 1050,
    SaveClone = 1051,
    WriteClone = 1052,
    CloneSaved = 1053,  // always disabled: shows whether the clone set holds a configuration
    AutoGetRange = 1054,
    RangeRate = 1055,
    RangeRateLabel = 1057,
    RangeGroup = 1058,
    RangeWindowButton = 1080,  // opens the "Range" window
    SaveToFile = 1065,
    RestoreFromFile = 1066,
    Luid = 1078,
    SaveLuid = 1079,
};

}  // namespace misc
