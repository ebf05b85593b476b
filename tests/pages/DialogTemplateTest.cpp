// The four dialog templates against their control tables: every id with its
// kind, caption and styles, the unnamed labels and frames, the positions the
// layout fixes, and a tidy layout (unique ids, inside the dialog, no visible
// control on top of another).

#include <QRect>
#include <QTest>
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "TestRegistry.h"
#include "resources/DialogTemplate.h"

using res::ControlKind;

namespace {

struct Expected {
    int Id;
    ControlKind Kind;
    std::string Caption;
    unsigned Styles;
};

struct Unnamed {
    ControlKind Kind;
    std::string Caption;
    friend auto operator<=>(const Unnamed&, const Unnamed&) = default;
};

constexpr unsigned kNumber = res::DigitsOnly | res::Centered;

// Ids of one key-set group: LShft, LCTL, LALT, LGUI, RShft, RCTL, RALT, RGUI, key list, code field.
using KeySetRow = std::array<int, 10>;

const KeySetRow kWalkAwayKeySets[7] = {
    {1002, 1003, 1004, 1031, 1039, 1040, 1041, 1042, 1015, 1011},
    {1005, 1006, 1007, 1032, 1043, 1044, 1045, 1046, 1016, 1012},
    {1008, 1009, 1010, 1037, 1047, 1048, 1049, 1050, 1017, 1013},
    {1018, 1019, 1020, 1038, 1051, 1052, 1053, 1054, 1022, 1021},
    {1024, 1025, 1026, 1058, 1055, 1056, 1057, 1059, 1027, 1028},
    {1029, 1030, 1033, 1063, 1060, 1061, 1062, 1064, 1034, 1035},
    {1036, 1066, 1068, 1070, 1065, 1067, 1069, 1071, 1072, 1073},
};

const KeySetRow kWalkToKeySets[7] = {
    kWalkAwayKeySets[0],
    kWalkAwayKeySets[1],
    kWalkAwayKeySets[2],
    kWalkAwayKeySets[3],
    {1023, 1024, 1025, 1081, 1085, 1084, 1083, 1082, 1026, 1027},
    {1028, 1029, 1030, 1086, 1090, 1089, 1088, 1087, 1033, 1034},
    {1035, 1036, 1055, 1095, 1092, 1093, 1094, 1096, 1056, 1057},
};

const char* const kModifierCaptions[8] = {"LShft", "LCTL", "LALT", "LGUI", "RShft", "RCTL", "RALT", "RGUI"};

// The seven groups; the seventh starts disabled.
void addKeySets(const KeySetRow (&rows)[7], std::vector<Expected>& named, std::vector<Unnamed>& unnamed)
{
    for (int n = 0; n < 7; ++n) {
        const unsigned disabled = n == 6 ? res::Disabled : res::NoStyle;
        for (int bit = 0; bit < 8; ++bit) {
            named.push_back({rows[n][bit], ControlKind::CheckBox, kModifierCaptions[bit], disabled});
        }
        named.push_back({rows[n][8], ControlKind::DropDownList, "", res::VerticalScroll | disabled});
        named.push_back(
            {rows[n][9], ControlKind::NumberEdit, "", res::DigitsOnly | res::ReadOnly | disabled});
        unnamed.push_back({ControlKind::GroupBox, "Key Set " + std::to_string(n + 1)});
        unnamed.push_back({ControlKind::Label, "Key"});
    }
}

void addDelayRow(std::vector<Expected>& named, std::vector<Unnamed>& unnamed)
{
    named.push_back({1014, ControlKind::NumberEdit, "", kNumber | res::Disabled});
    unnamed.push_back({ControlKind::Label, "Delay (msec) between key presses:"});
    unnamed.push_back({ControlKind::Label, "( rounded to nearest 64msec )"});
}

struct Table {
    std::vector<Expected> Named;
    std::vector<Unnamed> Others;
};

Table walkAwayTable()
{
    Table t;
    addKeySets(kWalkAwayKeySets, t.Named, t.Others);
    addDelayRow(t.Named, t.Others);
    t.Named.push_back({1023, ControlKind::NumberEdit, "", kNumber | res::Disabled});
    t.Others.push_back({ControlKind::Label, "MinDist Fault Send Rate (sec):"});
    t.Named.push_back({1080, ControlKind::CheckBox, "Extension Set", res::NoStyle});
    return t;
}

Table walkToTable()
{
    Table t;
    addKeySets(kWalkToKeySets, t.Named, t.Others);
    addDelayRow(t.Named, t.Others);
    t.Named.push_back({1091, ControlKind::CheckBox, "Extension Set", res::NoStyle});
    return t;
}

Table sonarTable()
{
    using enum ControlKind;
    return {
        {
            {1026, NumberEdit, "", kNumber},
            {1072, Label, "Minimum Detection Distance", res::NoStyle},
            {1073, Label, "( inches - 14 to Max )", res::NoStyle},
            {1027, NumberEdit, "", kNumber},
            {1074, Label, "Maximum Detection Distance", res::NoStyle},
            {1075, Label, "( inches - 24 to 42 recommended, 72 Max )", res::NoStyle},
            {1056, CheckBox, "Target < MinDist Fault", res::Disabled},
            {1028, NumberEdit, "", kNumber},
            {1064, CheckBox, "Minutes (not sec)", res::NoStyle},
            {1047, Label, "( 0 to 255 sec )", res::NoStyle},
            {1031, NumberEdit, "", kNumber},
            {1065, CheckBox, "Minutes (not sec)", res::NoStyle},
            {1048, Label, "( 0 to 255 sec )", res::NoStyle},
            {1030, NumberEdit, "", kNumber | res::Disabled},
            {1024, NumberEdit, "", kNumber | res::Disabled},
            {1076, Label, "Periodic Search Rate", res::NoStyle},
            {1077, Label, "( msec - 200 to 1020 set to lowest 4msec multiple )", res::NoStyle},
            {1025, NumberEdit, "", kNumber | res::Hidden},
            {1059, Label, "40Kc Cycles", res::Hidden},
            {1066, NumberEdit, "", kNumber | res::Hidden | res::Disabled},
            {1067, Label, "Sonar Blanking", res::Hidden},
            {1068, GroupBox, "LED Control", res::NoStyle},
            {1044, CheckBox, "No In-Range Indicator", res::NoStyle},
            {1045, CheckBox, "No Out-of-Range Indicator", res::NoStyle},
            {1046, CheckBox, "No Transition Indicator", res::NoStyle},
            {1069, GroupBox, "Still Target Detection", res::NoStyle},
            {1061, CheckBox, "Detect Dead Target", res::Disabled},
            {1062, NumberEdit, "", kNumber | res::Disabled},
            {1070, Label, "Dead Target Delta Distance (inches)", res::NoStyle},
            {1063, NumberEdit, "", kNumber | res::Disabled},
            {1071, Label, "Declare Object Dead After (seconds)", res::NoStyle},
            {1023, NumberEdit, "", kNumber | res::Hidden},
            {1029, NumberEdit, "", kNumber | res::Hidden},
        },
        {
            {Label, "In-Range Detection Delay"},
            {Label, "Out-of-Range Detection Delay"},
            {Label, "Power-up Delay"},
            {Label, "( seconds - 0 to 255 )"},
        },
    };
}

Table miscTable()
{
    using enum ControlKind;
    return {
        {
            {1033, PushButton, "Reset All", res::NoStyle},
            {1034, PushButton, "Restore User Defaults", res::NoStyle},
            {1035, PushButton, "Save User Defaults", res::NoStyle},
            {1039, CheckBox, "Enable Advanced Settings", res::NoStyle},
            {1040, RadioButton, "Win2K", res::StartsGroup},
            {1043, RadioButton, "WinXP Classic Logon Prompt", res::NoStyle},
            {1041, RadioButton, "WinXP Welcome Screen Logon", res::NoStyle},
            {1044, RadioButton, "Vista / Win7", res::NoStyle},
            {1042, RadioButton, "Win98/ME", res::Hidden},
            {1058, GroupBox, "View Range", res::NoStyle},
            {1054, CheckBox, "Auto GetRange", res::NoStyle},
            {1055, NumberEdit, "", kNumber},
            {1057, Label, "msec Rate", res::NoStyle},
            {1080, PushButton, "Range", res::NoStyle},
            {1049, PushButton, "Get Range", res::NoStyle},
            {1050, NumberEdit, "", res::ReadOnly},
            {1051, PushButton, "Save Current Device Data", res::NoStyle},
            {1052, PushButton, "Write Saved Data to Device", res::NoStyle},
            {1053, CheckBox, "Clone Data Saved", res::Disabled},
            {1065, PushButton, "Save To File", res::NoStyle},
            {1066, PushButton, "Restore From File", res::NoStyle},
            {1078, NumberEdit, "", kNumber},
            {1079, PushButton, "Save", res::NoStyle},
        },
        {
            {Label, "Return all parameters to factory defaults."},
            {GroupBox, "Quick Setup"},
            {Label,
             "Choose an option below to initialize the parameters to a 'typical' configuration for your OS.  "
             "The settings are not sent to the device until you click the 'Apply' button."},
            {GroupBox, "Clone Devices"},
            {GroupBox, "File Configuration"},
            {Label, "LUID"},
        },
    };
}

const res::ControlTemplate* find(const res::DialogTemplate& dialog, int id)
{
    const auto found = std::find_if(dialog.Controls.begin(), dialog.Controls.end(),
                                    [id](const res::ControlTemplate& c) { return c.Id == id; });
    return found == dialog.Controls.end() ? nullptr : &*found;
}

QRect rectOf(const res::ControlTemplate& c)
{
    // A drop-down list covers one line until it is opened.
    const int height = c.Kind == ControlKind::DropDownList ? 12 : c.Height;
    return {c.X, c.Y, c.Width, height};
}

QString describe(const res::ControlTemplate& c)
{
    return QStringLiteral("%1 \"%2\"").arg(c.Id).arg(c.Caption);
}

const res::DialogTemplate& dialogById(int id)
{
    switch (id) {
        case 107:
            return res::SonarDialog();
        case 108:
            return res::WalkAwayDialog();
        case 109:
            return res::WalkToDialog();
        default:
            return res::MiscDialog();
    }
}

Table tableById(int id)
{
    switch (id) {
        case 107:
            return sonarTable();
        case 108:
            return walkAwayTable();
        case 109:
            return walkToTable();
        default:
            return miscTable();
    }
}

}  // namespace

class DialogTemplateTest : public QObject {
    Q_OBJECT

    void dialogs()
    {
        QTest::addColumn<int>("dialogId");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Walk-Away") << 108 << "Walk-Away";
        QTest::newRow("Walk-To") << 109 << "Walk-To";
        QTest::newRow("Sonar") << 107 << "Sonar";
        QTest::newRow("Misc.") << 110 << "Misc.";
    }

private slots:
    void dialogHeader_data() { dialogs(); }
    void dialogHeader()
    {
        QFETCH(int, dialogId);
        QFETCH(QString, caption);
        const res::DialogTemplate& dialog = dialogById(dialogId);
        QCOMPARE(dialog.Id, dialogId);
        QCOMPARE(QString::fromUtf8(dialog.Caption), caption);
        QCOMPARE(QString::fromUtf8(dialog.FontName), QStringLiteral("MS Sans Serif"));
        QCOMPARE(dialog.FontPointSize, 8);
    }

    void namedControlsMatchTheirTable_data() { dialogs(); }
    void namedControlsMatchTheirTable()
    {
        QFETCH(int, dialogId);
        const res::DialogTemplate& dialog = dialogById(dialogId);
        const Table table = tableById(dialogId);
        for (const Expected& expected : table.Named) {
            const res::ControlTemplate* control = find(dialog, expected.Id);
            QVERIFY2(control, qPrintable(QStringLiteral("control %1 missing").arg(expected.Id)));
            QCOMPARE(control->Kind, expected.Kind);
            QCOMPARE(std::string(control->Caption), expected.Caption);
            QVERIFY2(control->Styles == expected.Styles,
                     qPrintable(QStringLiteral("%1: styles %2, expected %3")
                                    .arg(describe(*control))
                                    .arg(control->Styles, 0, 16)
                                    .arg(expected.Styles, 0, 16)));
        }
        std::set<int> expectedIds, actualIds;
        for (const Expected& expected : table.Named) expectedIds.insert(expected.Id);
        for (const res::ControlTemplate& c : dialog.Controls) {
            if (c.Id != res::kNoId) actualIds.insert(c.Id);
        }
        QCOMPARE(actualIds, expectedIds);
        QCOMPARE(expectedIds.size(), table.Named.size());
    }

    void unnamedControlsMatchTheirTable_data() { dialogs(); }
    void unnamedControlsMatchTheirTable()
    {
        QFETCH(int, dialogId);
        const res::DialogTemplate& dialog = dialogById(dialogId);
        const Table table = tableById(dialogId);
        const std::multiset<Unnamed> expected(table.Others.begin(), table.Others.end());
        std::multiset<Unnamed> actual;
        for (const res::ControlTemplate& c : dialog.Controls) {
            if (c.Id != res::kNoId) continue;
            QVERIFY2(c.Kind == ControlKind::Label || c.Kind == ControlKind::GroupBox, c.Caption);
            QCOMPARE(c.Styles, unsigned{res::NoStyle});
            actual.insert({c.Kind, c.Caption});
        }
        QVERIFY(actual == expected);
    }

    void idsAreUnique_data() { dialogs(); }
    void idsAreUnique()
    {
        QFETCH(int, dialogId);
        std::map<int, int> uses;
        for (const res::ControlTemplate& c : dialogById(dialogId).Controls) {
            if (c.Id != res::kNoId) QVERIFY2(++uses[c.Id] == 1, qPrintable(QString::number(c.Id)));
        }
    }

    void layoutIsTidy_data() { dialogs(); }
    void layoutIsTidy()
    {
        QFETCH(int, dialogId);
        const res::DialogTemplate& dialog = dialogById(dialogId);
        const QRect page(0, 0, dialog.Width, dialog.Height);
        std::vector<const res::ControlTemplate*> shown;
        for (const res::ControlTemplate& c : dialog.Controls) {
            QVERIFY2(c.Width > 0 && c.Height > 0, qPrintable(describe(c)));
            QVERIFY2(page.contains(rectOf(c)), qPrintable(describe(c)));
            if (c.Kind != ControlKind::GroupBox && !(c.Styles & res::Hidden)) shown.push_back(&c);
        }
        for (std::size_t i = 0; i < shown.size(); ++i) {
            for (std::size_t j = i + 1; j < shown.size(); ++j) {
                QVERIFY2(!rectOf(*shown[i]).intersects(rectOf(*shown[j])),
                         qPrintable(describe(*shown[i]) + " overlaps " + describe(*shown[j])));
            }
        }
    }

    // The key-set pages' layout in dialog units.
    void keySetPagesKeepTheirPositions_data()
    {
        QTest::addColumn<int>("dialogId");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("seventhLeft");
        QTest::addColumn<int>("extensionId");
        QTest::newRow("Walk-Away") << 108 << 684 << 583 << 1080;
        QTest::newRow("Walk-To") << 109 << 680 << 584 << 1091;
    }
    void keySetPagesKeepTheirPositions()
    {
        QFETCH(int, dialogId);
        QFETCH(int, width);
        QFETCH(int, seventhLeft);
        QFETCH(int, extensionId);
        const res::DialogTemplate& dialog = dialogById(dialogId);
        QCOMPARE(dialog.Width, width);
        QCOMPARE(dialog.Height, 170);

        const KeySetRow(&rows)[7] = dialogId == 108 ? kWalkAwayKeySets : kWalkToKeySets;
        std::vector<const res::ControlTemplate*> groups;
        for (const res::ControlTemplate& c : dialog.Controls) {
            if (c.Kind == ControlKind::GroupBox) groups.push_back(&c);
        }
        QCOMPARE(groups.size(), std::size_t{7});
        for (int n = 0; n < 7; ++n) {
            const int left = n == 6 ? seventhLeft : 7 + 96 * n;
            QCOMPARE(rectOf(*groups[n]), QRect(left, 7, 86, 118));
            for (int bit = 0; bit < 8; ++bit) {
                const res::ControlTemplate& box = *find(dialog, rows[n][bit]);
                const int column = bit < 4 ? left + 10 : left + 60;
                QCOMPARE(rectOf(box), QRect(column, 18 + 16 * (bit % 4), 32, 12));
            }
            const res::ControlTemplate& list = *find(dialog, rows[n][8]);
            QCOMPARE(QRect(list.X, list.Y, list.Width, list.Height), QRect(left + 6, 106, 74, 62));
            const res::ControlTemplate& code = *find(dialog, rows[n][9]);
            QCOMPARE(code.Y, 87);
            QCOMPARE(code.Width, 34);
            QCOMPARE(code.Height, 12);
        }
        QCOMPARE(rectOf(*find(dialog, 1014)), QRect(149, 129, 37, 13));
        QCOMPARE(rectOf(*find(dialog, extensionId)), QRect(583, 137, 79, 14));
        if (dialogId == 108) QCOMPARE(rectOf(*find(dialog, 1023)), QRect(149, 150, 37, 13));
    }

    // Radio buttons follow one another from the one that starts their group.
    void quickSetupButtonsFormOneGroupTopToBottom()
    {
        std::vector<int> radios;
        for (const res::ControlTemplate& c : res::MiscDialog().Controls) {
            if (c.Kind == ControlKind::RadioButton) radios.push_back(c.Id);
        }
        QCOMPARE(radios, (std::vector<int>{1040, 1043, 1041, 1044, 1042}));
        int lastTop = -1;
        for (const int id : radios) {
            QVERIFY(find(res::MiscDialog(), id)->Y > lastTop);
            lastTop = find(res::MiscDialog(), id)->Y;
        }
    }
};

TOLVANE_REGISTER_TEST(DialogTemplateTest)

#include "DialogTemplateTest.moc"
