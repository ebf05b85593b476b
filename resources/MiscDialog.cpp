// Dialog 110, the Misc. page, in three columns: the device actions and the
// quick-setup presets; the range view and cloning; the configuration file and
// the LUID. "Win98/ME" starts hidden, "Clone Data Saved" is never enabled,
// the range text can only be read, and "Range" opens the plot of the readings.

#include "DialogTemplate.h"

namespace res {
namespace {

constexpr int kFirstLeft = 7;
constexpr int kSecondLeft = 256;
constexpr int kThirdLeft = 465;
constexpr int kButtonHeight = 14;
constexpr int kBoxHeight = 10;

constexpr ControlTemplate kControls[] = {
    // Factory reset, user defaults and the advanced switch.
    {1033, ControlKind::PushButton, "Reset All", kFirstLeft, 7, 84, kButtonHeight, NoStyle},
    {kNoId, ControlKind::Label, "Return all parameters to factory defaults.", kFirstLeft + 90, 10, 150, 8,
     NoStyle},
    {1034, ControlKind::PushButton, "Restore User Defaults", kFirstLeft, 25, 84, kButtonHeight, NoStyle},
    {1035, ControlKind::PushButton, "Save User Defaults", kFirstLeft, 43, 84, kButtonHeight, NoStyle},
    {1039, ControlKind::CheckBox, "Enable Advanced Settings", kFirstLeft, 63, 110, kBoxHeight, NoStyle},

    // Quick setup: one radio group, top to bottom.
    {kNoId, ControlKind::GroupBox, "Quick Setup", kFirstLeft, 78, 240, 88, NoStyle},
    {kNoId, ControlKind::Label,
     "Choose an option below to initialize the parameters to a 'typical' configuration for your OS.  The "
     "settings are not sent to the device until you click the 'Apply' button.",
     kFirstLeft + 8, 89, 224, 24, NoStyle},
    {1040, ControlKind::RadioButton, "Win2K", kFirstLeft + 8, 114, 200, kBoxHeight, StartsGroup},
    {1043, ControlKind::RadioButton, "WinXP Classic Logon Prompt", kFirstLeft + 8, 124, 200, kBoxHeight,
     NoStyle},
    {1041, ControlKind::RadioButton, "WinXP Welcome Screen Logon", kFirstLeft + 8, 134, 200, kBoxHeight,
     NoStyle},
    {1044, ControlKind::RadioButton, "Vista / Win7", kFirstLeft + 8, 144, 200, kBoxHeight, NoStyle},
    {1042, ControlKind::RadioButton, "Win98/ME", kFirstLeft + 8, 154, 200, kBoxHeight, Hidden},

    // Range view.
    {1058, ControlKind::GroupBox, "View Range", kSecondLeft, 7, 200, 62, NoStyle},
    {1049, ControlKind::PushButton, "Get Range", kSecondLeft + 8, 20, 60, kButtonHeight, NoStyle},
    {1050, ControlKind::NumberEdit, "", kSecondLeft + 74, 20, 118, kButtonHeight, ReadOnly},
    {1054, ControlKind::CheckBox, "Auto GetRange", kSecondLeft + 8, 46, 64, kBoxHeight, NoStyle},
    {1055, ControlKind::NumberEdit, "", kSecondLeft + 74, 44, 37, 13, DigitsOnly | Centered},
    {1057, ControlKind::Label, "msec Rate", kSecondLeft + 116, 46, 38, 8, NoStyle},
    {1080, ControlKind::PushButton, "Range", kSecondLeft + 158, 43, 34, kButtonHeight, NoStyle},

    // Cloning.
    {kNoId, ControlKind::GroupBox, "Clone Devices", kSecondLeft, 78, 200, 88, NoStyle},
    {1051, ControlKind::PushButton, "Save Current Device Data", kSecondLeft + 8, 92, 120, kButtonHeight,
     NoStyle},
    {1052, ControlKind::PushButton, "Write Saved Data to Device", kSecondLeft + 8, 112, 120, kButtonHeight,
     NoStyle},
    {1053, ControlKind::CheckBox, "Clone Data Saved", kSecondLeft + 8, 136, 80, kBoxHeight, Disabled},

    // Configuration file.
    {kNoId, ControlKind::GroupBox, "File Configuration", kThirdLeft, 7, 140, 62, NoStyle},
    {1065, ControlKind::PushButton, "Save To File", kThirdLeft + 8, 22, 84, kButtonHeight, NoStyle},
    {1066, ControlKind::PushButton, "Restore From File", kThirdLeft + 8, 44, 84, kButtonHeight, NoStyle},

    // Device identity.
    {kNoId, ControlKind::Label, "LUID", kThirdLeft, 82, 20, 8, NoStyle},
    {1078, ControlKind::NumberEdit, "", kThirdLeft + 24, 80, 40, 13, DigitsOnly | Centered},
    {1079, ControlKind::PushButton, "Save", kThirdLeft + 70, 80, 40, kButtonHeight, NoStyle},
};

constexpr DialogTemplate kDialog{110, "Misc.", 612, 170, "MS Sans Serif", 8, kControls};

}  // namespace

const DialogTemplate& MiscDialog()
{
    return kDialog;
}

}  // namespace res
