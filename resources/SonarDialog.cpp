// Dialog 107, the Sonar page. The left half holds one row per number: label,
// edit, and the note with the range (the two delays also carry their
// "Minutes (not sec)" box); the right half holds the LED and still-target
// groups. The advanced controls start disabled; the 40 kHz cycles, the sonar
// blanking and the two raw fields of old firmware start hidden.

#include "DialogTemplate.h"

namespace res {
namespace {

constexpr int kLabelLeft = 7, kLabelWidth = 118;
constexpr int kEditLeft = 130, kEditWidth = 37, kEditHeight = 13;
constexpr int kNoteLeft = 172;
constexpr int kMinutesWidth = 70, kDelayNoteLeft = kNoteLeft + kMinutesWidth + 4;
constexpr int kRightLeft = 400;

constexpr int labelTop(int rowTop)
{
    return rowTop + 2;
}

constexpr ControlTemplate kControls[] = {
    // Detection window.
    {1072, ControlKind::Label, "Minimum Detection Distance", kLabelLeft, labelTop(10), kLabelWidth, 8,
     NoStyle},
    {1026, ControlKind::NumberEdit, "", kEditLeft, 10, kEditWidth, kEditHeight, DigitsOnly | Centered},
    {1073, ControlKind::Label, "( inches - 14 to Max )", kNoteLeft, labelTop(10), 200, 8, NoStyle},
    {1074, ControlKind::Label, "Maximum Detection Distance", kLabelLeft, labelTop(28), kLabelWidth, 8,
     NoStyle},
    {1027, ControlKind::NumberEdit, "", kEditLeft, 28, kEditWidth, kEditHeight, DigitsOnly | Centered},
    {1075, ControlKind::Label, "( inches - 24 to 42 recommended, 72 Max )", kNoteLeft, labelTop(28), 200, 8,
     NoStyle},
    {1056, ControlKind::CheckBox, "Target < MinDist Fault", kNoteLeft, 44, 110, 10, Disabled},

    // Detection delays.
    {kNoId, ControlKind::Label, "In-Range Detection Delay", kLabelLeft, labelTop(58), kLabelWidth, 8,
     NoStyle},
    {1028, ControlKind::NumberEdit, "", kEditLeft, 58, kEditWidth, kEditHeight, DigitsOnly | Centered},
    {1064, ControlKind::CheckBox, "Minutes (not sec)", kNoteLeft, 59, kMinutesWidth, 10, NoStyle},
    {1047, ControlKind::Label, "( 0 to 255 sec )", kDelayNoteLeft, labelTop(58), 100, 8, NoStyle},
    {kNoId, ControlKind::Label, "Out-of-Range Detection Delay", kLabelLeft, labelTop(76), kLabelWidth, 8,
     NoStyle},
    {1031, ControlKind::NumberEdit, "", kEditLeft, 76, kEditWidth, kEditHeight, DigitsOnly | Centered},
    {1065, ControlKind::CheckBox, "Minutes (not sec)", kNoteLeft, 77, kMinutesWidth, 10, NoStyle},
    {1048, ControlKind::Label, "( 0 to 255 sec )", kDelayNoteLeft, labelTop(76), 100, 8, NoStyle},

    // Start and ping rate.
    {kNoId, ControlKind::Label, "Power-up Delay", kLabelLeft, labelTop(94), kLabelWidth, 8, NoStyle},
    {1030, ControlKind::NumberEdit, "", kEditLeft, 94, kEditWidth, kEditHeight,
     DigitsOnly | Centered | Disabled},
    {kNoId, ControlKind::Label, "( seconds - 0 to 255 )", kNoteLeft, labelTop(94), 200, 8, NoStyle},
    {1076, ControlKind::Label, "Periodic Search Rate", kLabelLeft, labelTop(112), kLabelWidth, 8, NoStyle},
    {1024, ControlKind::NumberEdit, "", kEditLeft, 112, kEditWidth, kEditHeight,
     DigitsOnly | Centered | Disabled},
    {1077, ControlKind::Label, "( msec - 200 to 1020 set to lowest 4msec multiple )", kNoteLeft,
     labelTop(112), 220, 8, NoStyle},

    // Values carried through without being shown.
    {1059, ControlKind::Label, "40Kc Cycles", kLabelLeft, labelTop(130), kLabelWidth, 8, Hidden},
    {1025, ControlKind::NumberEdit, "", kEditLeft, 130, kEditWidth, kEditHeight,
     DigitsOnly | Centered | Hidden},
    {1067, ControlKind::Label, "Sonar Blanking", kLabelLeft, labelTop(148), kLabelWidth, 8, Hidden},
    {1066, ControlKind::NumberEdit, "", kEditLeft, 148, kEditWidth, kEditHeight,
     DigitsOnly | Centered | Hidden | Disabled},
    {1023, ControlKind::NumberEdit, "", kNoteLeft, 130, kEditWidth, kEditHeight,
     DigitsOnly | Centered | Hidden},
    {1029, ControlKind::NumberEdit, "", kNoteLeft + kEditWidth + 4, 130, kEditWidth, kEditHeight,
     DigitsOnly | Centered | Hidden},

    // LED indicators.
    {1068, ControlKind::GroupBox, "LED Control", kRightLeft, 7, 150, 60, NoStyle},
    {1044, ControlKind::CheckBox, "No In-Range Indicator", kRightLeft + 10, 20, 130, 10, NoStyle},
    {1045, ControlKind::CheckBox, "No Out-of-Range Indicator", kRightLeft + 10, 34, 130, 10, NoStyle},
    {1046, ControlKind::CheckBox, "No Transition Indicator", kRightLeft + 10, 48, 130, 10, NoStyle},

    // Still-target detection.
    {1069, ControlKind::GroupBox, "Still Target Detection", kRightLeft, 76, 270, 70, NoStyle},
    {1061, ControlKind::CheckBox, "Detect Dead Target", kRightLeft + 10, 90, 130, 10, Disabled},
    {1070, ControlKind::Label, "Dead Target Delta Distance (inches)", kRightLeft + 10, labelTop(106), 180, 8,
     NoStyle},
    {1062, ControlKind::NumberEdit, "", kRightLeft + 200, 106, kEditWidth, kEditHeight,
     DigitsOnly | Centered | Disabled},
    {1071, ControlKind::Label, "Declare Object Dead After (seconds)", kRightLeft + 10, labelTop(124), 180, 8,
     NoStyle},
    {1063, ControlKind::NumberEdit, "", kRightLeft + 200, 124, kEditWidth, kEditHeight,
     DigitsOnly | Centered | Disabled},
};

constexpr DialogTemplate kDialog{107, "Sonar", 680, 170, "MS Sans Serif", 8, kControls};

}  // namespace

const DialogTemplate& SonarDialog()
{
    return kDialog;
}

}  // namespace res
