// The key-set editor on both sequence pages: the key lists, showing and
// reading key sets, the user's edits and the flags they set, collecting with
// empty key sets squeezed out, the delay check, and the view switch.

#include <QTest>

#include "KeySequenceBench.h"
#include "TestRegistry.h"
#include "config/KeyNames.h"

using namespace keyseq;

namespace {

struct KeyName {
    int Code;
    QString Name;
};

// The 96 key names in list order, built from the HID usage ranges they cover.
std::vector<KeyName> expectedKeyNames()
{
    std::vector<KeyName> names{{0, "[NONE]"}};
    for (int i = 0; i < 26; ++i) names.push_back({0x04 + i, QString(QChar('A' + i))});
    for (int i = 1; i <= 9; ++i) names.push_back({0x1D + i, QString::number(i)});
    names.push_back({0x27, "0"});
    const std::vector<KeyName> punctuation{
        {0x28, "ENTER"},       {0x29, "ESC"},         {0x2A, "BKSPC"}, {0x2B, "TAB"},     {0x2C, "SPACE"},
        {0x2D, "- MINUS"},     {0x2E, "="},           {0x2F, "["},     {0x30, "]"},       {0x31, "\\"},
        {0x33, "; SEMICOLON"}, {0x34, "' SNGLQUOTE"}, {0x35, "`"},     {0x36, ", COMMA"}, {0x37, ". PERIOD"},
        {0x38, "/"},           {0x39, "CAPSLOCK"}};
    names.insert(names.end(), punctuation.begin(), punctuation.end());
    for (int i = 1; i <= 12; ++i) names.push_back({0x39 + i, QStringLiteral("F%1").arg(i)});
    const std::vector<KeyName> rest{
        {0x46, "PRNTSCRN"},    {0x47, "SCRLLOCK"},    {0x49, "INSERT"},      {0x4A, "HOME"},
        {0x4B, "PGUP"},        {0x4C, "DELETE"},      {0x4D, "END"},         {0x4E, "PGDN"},
        {0x4F, "RIGHT"},       {0x50, "LEFT"},        {0x51, "DOWN"},        {0x52, "UP"},
        {0x53, "KP NUMLOCK"},  {0x54, "KP /"},        {0x55, "KP *"},        {0x56, "KP - MINUS"},
        {0x57, "KP +"},        {0x58, "KP ENTER"},    {0x59, "KP 1 [END]"},  {0x5A, "KP 2 [DOWN]"},
        {0x5B, "KP 3 [PGDN]"}, {0x5C, "KP 4 [LEFT]"}, {0x5D, "KP 5"},        {0x5E, "KP 6 [RIGHT]"},
        {0x5F, "KP 7 [HOME]"}, {0x60, "KP 8 [UP]"},   {0x61, "KP 9 [PGUP]"}, {0x62, "KP 0 [INS]"},
        {0x63, "KP . [DEL]"},  {0x65, "APPS"}};
    names.insert(names.end(), rest.begin(), rest.end());
    return names;
}

void addPageRows()
{
    QTest::addColumn<QString>("page");
    QTest::newRow("Walk-Away") << "WA";
    QTest::newRow("Walk-To") << "WU";
}

}  // namespace

class KeySetEditorTest : public QObject {
    Q_OBJECT

private slots:
    void keyListsHoldTheKeyNamesInOrder()
    {
        const std::vector<KeyName> expected = expectedKeyNames();
        QCOMPARE(expected.size(), std::size_t{96});
        QCOMPARE(KeyNameTable[kKeyNameCount].Code, kKeyNameEndCode);
        QCOMPARE(KeyNameTable[kKeyNameCount].Name, nullptr);

        Bench bench;
        for (const PageFacts* facts : {&kWalkAway, &kWalkTo}) {
            for (const Group& group : facts->Groups) {
                QComboBox* list = bench.page(*facts).listItem(group.KeyList);
                QCOMPARE(list->count(), 96);
                for (int i = 0; i < 96; ++i) {
                    QCOMPARE(list->itemText(i), expected[i].Name);
                    QCOMPARE(list->itemData(i).toInt(), expected[i].Code);
                }
            }
        }
        QVERIFY(!KeySetEditor::FillKeyList(nullptr));

        KeySetPage& page = bench.page(kWalkAway);
        chooseKey(page, kWalkAway.Groups[0].KeyList, "DELETE");
        QCOMPARE(shownCode(page, kWalkAway.Groups[0]), "76");
    }

    void showAndReadKeySets_data()
    {
        QTest::addColumn<int>("mods");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("checked");
        QTest::addColumn<QString>("key");
        QTest::newRow("LCTL+LALT DELETE") << 0x05 << 76 << 0x05 << "DELETE";
        QTest::newRow("LGUI L") << 0x08 << 15 << 0x08 << "L";
        QTest::newRow("LCTL+LGUI, no key") << 0x09 << 0 << 0x09 << "[NONE]";
        // A code without a name keeps the list on its previous item.
        QTest::newRow("code 50") << 0x20 << 50 << 0x20 << "A";
        QTest::newRow("high bytes ignored") << 0x0140 << 0x0229 << 0x40 << "ESC";
    }
    void showAndReadKeySets()
    {
        QFETCH(int, mods);
        QFETCH(int, code);
        QFETCH(int, checked);
        QFETCH(QString, key);
        Bench bench;
        KeySetEditor& editor = bench.wa.editor();
        const Group& group = kWalkAway.Groups[3];
        QVERIFY(editor.ShowKeySet(4, 0xFF, 0x04));
        QVERIFY(editor.ShowKeySet(4, mods, code));

        QCOMPARE(shownModifiers(bench.wa, group), checked);
        QCOMPARE(shownCode(bench.wa, group), QString::number(code & 0xFF));
        QCOMPARE(shownKey(bench.wa, group), key);
        QCOMPARE(editor.ReadKeySet(4), (code & 0xFF) + 256 * checked);
    }

    // Each modifier bit checks the one box of the group that carries its name.
    void modifierBitsMatchTheBoxCaptions()
    {
        const std::pair<std::uint8_t, QString> bits[] = {{0x01, "LCTL"}, {0x02, "LShft"}, {0x04, "LALT"},
                                                         {0x08, "LGUI"}, {0x10, "RCTL"},  {0x20, "RShft"},
                                                         {0x40, "RALT"}, {0x80, "RGUI"}};
        Bench bench;
        for (const PageFacts* facts : {&kWalkAway, &kWalkTo}) {
            KeySetPage& page = bench.page(*facts);
            for (int n = 1; n <= 7; ++n) {
                for (const auto& [bit, caption] : bits) {
                    page.editor().ShowKeySet(n, bit, 0);
                    QStringList checked;
                    for (int id : facts->Groups[n - 1].Modifiers)
                        if (button(page, id)->isChecked()) checked << button(page, id)->text();
                    QCOMPARE(checked, QStringList{caption});
                    QCOMPARE(page.editor().ReadKeySet(n), 256 * bit);
                }
            }
        }
    }

    void groupNumbersOutsideOneToSeven()
    {
        Bench bench;
        KeySetEditor& editor = bench.wu.editor();
        const std::uint16_t before = editor.ReadKeySet(1);
        QVERIFY(!editor.ShowKeySet(0, 0x05, 76));
        QVERIFY(!editor.ShowKeySet(8, 0x05, 76));
        QCOMPARE(editor.ReadKeySet(0), 0);
        QCOMPARE(editor.ReadKeySet(8), 0);
        QCOMPARE(editor.ReadKeySet(1), before);
    }

    // Choosing "[NONE]" clears the group's boxes; a modifier alone is a key set.
    void noneClearsTheModifiersAndAModifierAloneCounts()
    {
        Bench bench;
        KeySetPage& page = bench.wa;
        const Group& second = kWalkAway.Groups[1];
        QCOMPARE(shownModifiers(page, second), 0x08);

        chooseKey(page, second.KeyList, "[NONE]");
        QCOMPARE(shownModifiers(page, second), 0);
        QCOMPARE(shownCode(page, second), "0");
        QVERIFY(bench.model.WalkAwayChanged);
        QVERIFY(bench.host.isMarkedModified(page));

        click(page, second.Modifiers[0]);
        QCOMPARE(page.editor().ReadKeySet(2), 0x0200);
        bench.wa.CollectKeySets();
        const tsWalkAwayParms& block = bench.model.EditCfg.WalkAway;
        QCOMPARE(block[KeyCountWA], 5);
        QCOMPARE(block[Key2ModsWA], 0x02);
        QCOMPARE(block[Key2CodeWA], 0);
    }

    // Choosing the item a key list already shows is no change: the group and
    // the page stay as they were, also for a code the key table does not name.
    void choosingTheShownKeyAgainChangesNothing_data()
    {
        QTest::addColumn<int>("mods");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("listShows");
        QTest::newRow("[NONE] with a modifier") << 0x08 << 0 << "[NONE]";
        QTest::newRow("code without a name") << 0x01 << 50 << "DELETE";
        QTest::newRow("a named key") << 0x05 << 0x4C << "DELETE";
    }
    void choosingTheShownKeyAgainChangesNothing()
    {
        QFETCH(int, mods);
        QFETCH(int, code);
        QFETCH(QString, listShows);
        Bench bench;
        KeySetPage& page = bench.wa;
        const Group& second = kWalkAway.Groups[1];
        page.editor().ShowKeySet(2, 0x05, 0x4C);
        page.editor().ShowKeySet(2, static_cast<std::uint16_t>(mods), static_cast<std::uint16_t>(code));
        QCOMPARE(shownKey(page, second), listShows);
        QVERIFY(!bench.model.WalkAwayChanged);
        QVERIFY(!page.isModified());

        chooseShownKeyAgain(page, second.KeyList);

        QCOMPARE(shownModifiers(page, second), mods);
        QCOMPARE(shownCode(page, second), QString::number(code));
        QCOMPARE(shownKey(page, second), listShows);
        QVERIFY(!bench.model.WalkAwayChanged);
        QVERIFY(!page.isModified());

        // Choosing another item is a change.
        chooseKey(page, second.KeyList, "B");
        QCOMPARE(shownCode(page, second), QStringLiteral("5"));
        QVERIFY(bench.model.WalkAwayChanged);
        QVERIFY(page.isModified());
    }

    void collectingSqueezesOutEmptyKeySets_data() { addPageRows(); }
    void collectingSqueezesOutEmptyKeySets()
    {
        QFETCH(QString, page);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        KeySetEditor& editor = p.editor();
        // Key sets in groups 1 and 3 only.
        editor.ShowKeySet(1, 0x05, 0x4C);
        chooseKey(p, facts.Groups[1].KeyList, "[NONE]");
        editor.ShowKeySet(3, 0x00, 0x0E);
        for (int n = 4; n <= 6; ++n) editor.ShowKeySet(n, 0, 0);
        editor.CollectKeySets();

        // Both blocks share the word layout of the key sets.
        const std::uint16_t* words =
            page == "WA" ? bench.model.EditCfg.WalkAway.Words : bench.model.EditCfg.WalkUp.Words;
        QCOMPARE(words[KeyCountWA], 2);
        QCOMPARE(words[Key1ModsWA], 0x05);
        QCOMPARE(words[Key1CodeWA], 0x4C);
        QCOMPARE(words[Key2ModsWA], 0x00);
        QCOMPARE(words[Key2CodeWA], 0x0E);
        for (std::size_t k = 2; k < 6; ++k) {
            QCOMPARE(words[Key1ModsWA + k], 0);
            QCOMPARE(words[Key1CodeWA + k], 0);
        }

        p.OnPageCommand(PageCommand::Refresh, 0);
        QCOMPARE(editor.ReadKeySet(1), 0x054C);
        QCOMPARE(editor.ReadKeySet(2), 0x000E);
        QCOMPARE(editor.ReadKeySet(3), 0);
    }

    void delayBounds_data()
    {
        QTest::addColumn<bool>("keySet");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("64") << true << "64" << true;
        QTest::newRow("16320") << true << "16320" << true;
        QTest::newRow("100 kept as typed") << true << "100" << true;
        QTest::newRow("63") << true << "63" << false;
        QTest::newRow("16321") << true << "16321" << false;
        QTest::newRow("65600") << true << "65600" << false;
        QTest::newRow("beyond 32 bits") << true << "99999999999" << false;
        QTest::newRow("empty") << true << "" << false;
        QTest::newRow("no key set, 0") << false << "0" << true;
    }
    void delayBounds()
    {
        QFETCH(bool, keySet);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        Bench bench;
        KeySetPage& page = bench.wu;
        KeySetEditor& editor = page.editor();
        if (!keySet) {
            bench.model.EditCfg.WalkUp[KeyCountWU] = 0;
            page.OnPageCommand(PageCommand::Refresh, 0);
        }
        page.OnPageCommand(PageCommand::AdvancedSettings, 1);
        typeInto(page, kWalkTo.DelayField, typed);
        QVERIFY(bench.model.WalkUpChanged);
        page.editor().CollectKeySets();

        const QLineEdit* delay = edit(page, kWalkTo.DelayField);
        if (accepted) {
            QVERIFY(bench.ui.messages().empty());
            QCOMPARE(bench.model.EditCfg.WalkUp[InterKeyDelayWU], typed.toUInt());
            QCOMPARE(editor.LastGoodDelay(), typed.toUInt());
            QCOMPARE(delay->text(), typed);
        } else {
            QCOMPARE(bench.ui.messages().size(), std::size_t{1});
            const RecordingUiServices::Message& message = bench.ui.messages().front();
            QCOMPARE(message.Text, "Inter-Key Delay must be >= 64 and <= 16320 msec!");
            QCOMPARE(message.Caption, programDisplayName());
            QCOMPARE(message.Icon, MessageIcon::None);
            QCOMPARE(message.Owner, &page);
            QCOMPARE(bench.model.EditCfg.WalkUp[InterKeyDelayWU], 128);
            QCOMPARE(editor.LastGoodDelay(), 128);
            QCOMPARE(delay->text(), "128");
        }
        // The key sets are stored whatever becomes of the delay.
        QCOMPARE(bench.model.EditCfg.WalkUp[KeyCountWU], keySet ? 2 : 0);
    }

    // A delay that does not fit a word is not wrapped into a plausible one,
    // nor read as 0 when it does not fit 32 bits either.
    void oversizedDelayWithoutKeySetsIsNotWrapped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("beyond a word") << "65600";
        QTest::newRow("beyond 32 bits") << "4294967296";
        QTest::newRow("far beyond 32 bits") << "99999999999";
    }
    void oversizedDelayWithoutKeySetsIsNotWrapped()
    {
        QFETCH(QString, typed);
        Bench bench;
        KeySetPage& page = bench.wa;
        bench.model.EditCfg.WalkAway[KeyCountWA] = 0;
        page.OnPageCommand(PageCommand::Refresh, 0);
        page.OnPageCommand(PageCommand::AdvancedSettings, 1);
        typeInto(page, kWalkAway.DelayField, typed);
        page.editor().CollectKeySets();
        QCOMPARE(bench.model.EditCfg.WalkAway[InterKeyDelayWA], 0xFFFF);
    }

    void zeroDelayIsShownAs64()
    {
        Bench bench;
        bench.model.EditCfg.WalkAway[InterKeyDelayWA] = 0;
        bench.wa.OnPageCommand(PageCommand::Refresh, 0);
        QCOMPARE(edit(bench.wa, kWalkAway.DelayField)->text(), "64");
        QCOMPARE(bench.wa.editor().LastGoodDelay(), 64);
        QCOMPARE(bench.model.EditCfg.WalkAway[InterKeyDelayWA], 0);
        QVERIFY(!bench.wa.isModified());
        QVERIFY(!bench.model.WalkAwayChanged);
    }

    void loadClearsKeysOfAnEmptyBlock()
    {
        Bench bench;
        const tsWalkUpParmsEx& extension = bench.model.EditCfg.WalkUpEx;
        QCOMPARE(extension[Key1ModsWUEx], 0);
        QCOMPARE(extension[Key1CodeWUEx], 0);
        QCOMPARE(extension[Flags0WUEx], 2);
        // A non-empty block keeps its words beyond the key count.
        QCOMPARE(bench.model.EditCfg.WalkAwayEx[Key3CodeWAEx], 0x06);
    }

    void viewSwitchBothWaysChangesNothing_data() { addPageRows(); }
    void viewSwitchBothWaysChangesNothing()
    {
        QFETCH(QString, page);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        const ConfigSet before = bench.model.EditCfg;
        const Group& seventh = facts.Groups[6];

        click(p, facts.ExtensionBox);
        QVERIFY(p.editor().ExtensionView());
        QVERIFY(button(p, seventh.Modifiers[0])->isEnabled());
        QVERIFY(p.listItem(seventh.KeyList)->isEnabled());
        QVERIFY(edit(p, seventh.CodeField)->isEnabled());
        const std::uint16_t firstExtensionKey = page == "WA" ? 0x0104 : 0;
        QCOMPARE(p.editor().ReadKeySet(1), firstExtensionKey);
        p.editor().ShowKeySet(7, 0x80, 0x1D);  // shown only, as the extension set's seventh key would be

        click(p, facts.ExtensionBox);
        QVERIFY(!p.editor().ExtensionView());
        QVERIFY(!button(p, seventh.Modifiers[7])->isEnabled());
        QVERIFY(!p.listItem(seventh.KeyList)->isEnabled());
        QVERIFY(!edit(p, seventh.CodeField)->isEnabled());
        QCOMPARE(shownKey(p, seventh), "[NONE]");
        QCOMPARE(shownCode(p, seventh), "0");
        QCOMPARE(shownModifiers(p, seventh), 0);
        QCOMPARE(p.editor().ReadKeySet(1), page == "WA" ? 0x054C : 0x0204);

        QVERIFY(bench.model.EditCfg == before);
        QVERIFY(!p.isModified());
        QVERIFY(bench.host.marks().empty());
        QVERIFY(!bench.flag(facts.BaseChanged));
        QVERIFY(!bench.flag(facts.ExtensionChanged));
    }

    // Every modifier box toggles itself and sets the flag of the view, also
    // those whose ids the page commands share.
    void modifierClickSetsTheFlagOfTheView_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("extension");
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("box");
        QTest::newRow("WA LALT of set 5 (1026), base") << "WA" << false << 5 << 2;
        QTest::newRow("WA LALT of set 5 (1026), extension") << "WA" << true << 5 << 2;
        QTest::newRow("WU LShft of set 6 (1028), base") << "WU" << false << 6 << 0;
        QTest::newRow("WU LShft of set 6 (1028), extension") << "WU" << true << 6 << 0;
        QTest::newRow("WU RGUI of set 7, extension") << "WU" << true << 7 << 7;
    }
    void modifierClickSetsTheFlagOfTheView()
    {
        QFETCH(QString, page);
        QFETCH(bool, extension);
        QFETCH(int, group);
        QFETCH(int, box);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        if (extension) click(p, facts.ExtensionBox);
        const int id = facts.Groups[group - 1].Modifiers[box];
        const bool wasChecked = button(p, id)->isChecked();
        const ConfigSet before = bench.model.EditCfg;

        click(p, id);
        QCOMPARE(button(p, id)->isChecked(), !wasChecked);
        QVERIFY(p.isModified());
        QVERIFY(bench.host.isMarkedModified(p));
        QCOMPARE(bench.flag(facts.BaseChanged) != 0, !extension);
        QCOMPARE(bench.flag(facts.ExtensionChanged) != 0, extension);
        QVERIFY(!edit(p, facts.DelayField)->isEnabled());
        QVERIFY(bench.model.EditCfg == before);
    }

    // In the extension view a change that sets only the base block's flag
    // (here the delay) is still collected.
    void extensionViewKeepsBaseFlaggedChanges_data() { addPageRows(); }
    void extensionViewKeepsBaseFlaggedChanges()
    {
        QFETCH(QString, page);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        click(p, facts.ExtensionBox);
        p.OnPageCommand(PageCommand::AdvancedSettings, 1);
        typeInto(p, facts.DelayField, "640");
        QVERIFY(bench.flag(facts.BaseChanged));
        QVERIFY(!bench.flag(facts.ExtensionChanged));

        QVERIFY(p.OnApply());
        QCOMPARE(bench.sensorHalf(facts.BaseHalf1)[1], 10);
        QVERIFY(!p.isModified());
    }

    // An extension set edit survives a visit to another page, whether it
    // waits in the controls or was collected by switching back to the base
    // view, and reaches the sensor on Apply.
    void extensionSetEditsSurviveActivation_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("backToBase");
        QTest::newRow("WA, not collected") << "WA" << false;
        QTest::newRow("WA, collected") << "WA" << true;
        QTest::newRow("WU, not collected") << "WU" << false;
        QTest::newRow("WU, collected") << "WU" << true;
    }
    void extensionSetEditsSurviveActivation()
    {
        QFETCH(QString, page);
        QFETCH(bool, backToBase);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        click(p, facts.ExtensionBox);
        chooseKey(p, facts.Groups[6].KeyList, "Z");
        if (backToBase) click(p, facts.ExtensionBox);
        QVERIFY(!bench.flag(facts.BaseChanged));
        QVERIFY(bench.flag(facts.ExtensionChanged));

        QVERIFY(p.OnSetActive());
        QVERIFY(p.isModified());
        QVERIFY(bench.flag(facts.ExtensionChanged));
        if (!backToBase) QCOMPARE(shownKey(p, facts.Groups[6]), "Z");
        QVERIFY(p.OnApply());
        // Squeezed in after the extension set's defined keys.
        const std::size_t key = page == "WA" ? 4 : 1;
        QCOMPARE(bench.sensorHalf(facts.ExtensionHalf2)[key], 0x1D);
    }
};

TOLVANE_REGISTER_TEST(KeySetEditorTest)
#include "KeySetEditorTest.moc"
