// The Walk-Away and Walk-To pages against the virtual sensor: Apply with the
// reports it puts on the wire and the wait after them, the quick setup, the
// refresh and advanced-settings commands, activation, the Sonar page's claim
// on the base block, write failures, the extension sets a sensor refuses, and
// running without a sensor.

#include <QTest>

#include "KeySequenceBench.h"
#include "TestRegistry.h"
#include "pages/QuickSetupPresets.h"

using namespace keyseq;

Q_DECLARE_METATYPE(sim::Half)

namespace {

void addPageRows()
{
    QTest::addColumn<QString>("page");
    QTest::newRow("Walk-Away") << "WA";
    QTest::newRow("Walk-To") << "WU";
}

std::vector<std::uint16_t> shownKeySets(KeySetPage& page, int first, int last)
{
    std::vector<std::uint16_t> keySets;
    for (int n = first; n <= last; ++n) keySets.push_back(page.editor().ReadKeySet(n));
    return keySets;
}

// The last message shown is the write failure of the named block.
void verifyFailureMessage(const Bench& bench, const KeySetPage& page, const char* feature)
{
    QVERIFY(!bench.ui.messages().empty());
    const RecordingUiServices::Message& message = bench.ui.messages().back();
    QCOMPARE(message.Text, QStringLiteral("Failed to Write the device Features (%1)!").arg(feature));
    QCOMPARE(message.Caption, programDisplayName());
    QCOMPARE(message.Icon, MessageIcon::None);
    QCOMPARE(message.Owner, &page);
}

}  // namespace

class KeySequencePagesTest : public QObject {
    Q_OBJECT

private slots:
    void applyPutsBothBlocksOnTheWireThenWaits_data() { addPageRows(); }
    void applyPutsBothBlocksOnTheWireThenWaits()
    {
        QFETCH(QString, page);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        click(p, facts.Groups[0].Modifiers[7]);  // RGUI joins the first key set

        QVERIFY(p.OnApply());

        const std::vector<sim::Report> walkAway{
            report({0x81}),
            report({5, 4, 0x85, 0x08, 0, 0, 0x02, 0}),
            report({0x82}),
            report({1, 30, 0x4C, 0x0F, 0x04, 0x05, 0x06, 0}),
            report({0x90, 0x06}),
            report({0x8B, 0x08}),
            report({3, 0x01, 0x02, 0, 0, 0, 0, 0}),
            report({0x8B, 0x09}),
            report({2, 0x04, 0x05, 0x06, 0, 0, 0, 0}),
            report({0x90, 0x06}),
        };
        const std::vector<sim::Report> walkUp{
            report({0x83}),
            report({2, 2, 0x82, 0, 0, 0, 0, 0}),
            report({0x84}),
            report({1, 0x5A, 0x04, 0x28, 0, 0, 0, 0}),
            report({0x90, 0x18}),
            report({0x8B, 0x0A}),
            report({0, 0, 0, 0, 0, 0, 0, 0}),
            report({0x8B, 0x0B}),
            report({2, 0, 0, 0, 0, 0, 0, 0}),
            report({0x90, 0x18}),
        };
        const std::vector<sim::Transfer>& transcript = bench.sim.transcript();
        QCOMPARE(bench.sentReports(), page == "WA" ? walkAway : walkUp);
        QCOMPARE(transcript.size(), std::size_t{10});
        const std::uint64_t start = transcript.front().TimeMs;
        const std::uint64_t offsets[] = {0, 250, 250, 500, 500, 500, 750, 750, 1000, 1000};
        for (std::size_t i = 0; i < transcript.size(); ++i)
            QCOMPARE(transcript[i].TimeMs - start, offsets[i]);
        QCOMPARE(bench.sim.nowMs() - transcript.back().TimeMs, std::uint64_t{1000});

        QVERIFY(!p.isModified());
        QVERIFY(!bench.flag(facts.BaseChanged));
        QVERIFY(!bench.flag(facts.ExtensionChanged));
        QVERIFY(bench.ui.busyBegins() > 0);
        QCOMPARE(bench.ui.busyDepth(), 0);
        QVERIFY(bench.ui.messages().empty());
    }

    void applyWithoutChangesDoesNothing_data() { addPageRows(); }
    void applyWithoutChangesDoesNothing()
    {
        QFETCH(QString, page);
        Bench bench;
        const std::uint64_t before = bench.sim.nowMs();
        QVERIFY(bench.page(factsOf(page)).OnApply());
        QVERIFY(bench.sim.transcript().empty());
        QCOMPARE(bench.sim.nowMs(), before);
    }

    void quickSetupThenApply_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("extension");
        QTest::addColumn<int>("preset");
        QTest::addColumn<QList<int>>("shown");  // key sets 1 to 4 afterwards
        QTest::addColumn<sim::Half>("base1");
        QTest::addColumn<sim::Half>("base2");
        QTest::addColumn<sim::Half>("extension1");
        QTest::addColumn<sim::Half>("extension2");

        const QList<int> ctrlAltDeleteKBackspaceEscape{0x054C, 0x000E, 0x002A, 0x0029};
        const QList<int> guiL{0x080F, 0, 0, 0};
        const QList<int> ctrlAltDelete{0x054C, 0, 0, 0};
        const QList<int> none{0, 0, 0, 0};
        const sim::Half cleared{0, 0, 0, 0, 0, 0, 0, 0};
        const sim::Half clearedFlags2{2, 0, 0, 0, 0, 0, 0, 0};

        // Walk-Away key sets 5 and 6 keep LShft C; empty key sets are squeezed out.
        QTest::newRow("WA base 1") << "WA" << false << 1 << ctrlAltDeleteKBackspaceEscape
                                   << sim::Half{5, 4, 0x05, 0, 0, 0, 0x02, 0}
                                   << sim::Half{1, 30, 0x4C, 0x0E, 0x2A, 0x29, 0x06, 0} << kWalkAwayEx1
                                   << kWalkAwayEx2;
        QTest::newRow("WA base 2") << "WA" << false << 2 << guiL << sim::Half{2, 4, 0x08, 0x02, 0, 0, 0, 0}
                                   << sim::Half{1, 30, 0x0F, 0x06, 0, 0, 0, 0} << kWalkAwayEx1
                                   << kWalkAwayEx2;
        QTest::newRow("WA extension 1")
            << "WA" << true << 1 << ctrlAltDeleteKBackspaceEscape << kWalkAway1 << kWalkAway2
            << sim::Half{4, 0x05, 0, 0, 0, 0, 0, 0} << sim::Half{2, 0x4C, 0x0E, 0x2A, 0x29, 0, 0, 0};
        QTest::newRow("WA extension 2")
            << "WA" << true << 2 << guiL << kWalkAway1 << kWalkAway2 << sim::Half{1, 0x08, 0, 0, 0, 0, 0, 0}
            << sim::Half{2, 0x0F, 0, 0, 0, 0, 0, 0};
        // The walk-up extension set was empty, so its stale words are written cleared.
        QTest::newRow("WU base 1") << "WU" << false << 1 << ctrlAltDelete
                                   << sim::Half{1, 2, 0x05, 0, 0, 0, 0, 0}
                                   << sim::Half{1, 0x5A, 0x4C, 0, 0, 0, 0, 0} << cleared << clearedFlags2;
        // No key set left: the key count is 0 and the delay goes unchecked.
        QTest::newRow("WU base 2") << "WU" << false << 2 << none << sim::Half{0, 2, 0, 0, 0, 0, 0, 0}
                                   << sim::Half{1, 0x5A, 0, 0, 0, 0, 0, 0} << cleared << clearedFlags2;
        QTest::newRow("WU extension 1")
            << "WU" << true << 1 << ctrlAltDelete << kWalkUp1 << kWalkUp2
            << sim::Half{1, 0x05, 0, 0, 0, 0, 0, 0} << sim::Half{2, 0x4C, 0, 0, 0, 0, 0, 0};
        QTest::newRow("WU extension 2")
            << "WU" << true << 2 << none << kWalkUp1 << kWalkUp2 << cleared << clearedFlags2;
    }
    void quickSetupThenApply()
    {
        QFETCH(QString, page);
        QFETCH(bool, extension);
        QFETCH(int, preset);
        QFETCH(QList<int>, shown);
        QFETCH(sim::Half, base1);
        QFETCH(sim::Half, base2);
        QFETCH(sim::Half, extension1);
        QFETCH(sim::Half, extension2);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        if (extension) click(p, facts.ExtensionBox);
        const std::vector<std::uint16_t> untouched = shownKeySets(p, 5, 7);
        const QString delay = edit(p, facts.DelayField)->text();

        p.OnPageCommand(PageCommand::QuickSetup, preset);

        const std::vector<std::uint16_t> expectedShown(shown.begin(), shown.end());
        QCOMPARE(shownKeySets(p, 1, 4), expectedShown);
        QCOMPARE(shownKey(p, facts.Groups[0]), shown[0] ? (shown[0] == 0x080F ? "L" : "DELETE") : "[NONE]");
        QCOMPARE(shownKeySets(p, 5, 7), untouched);
        QCOMPARE(edit(p, facts.DelayField)->text(), delay);
        QVERIFY(p.isModified());
        QVERIFY(bench.flag(facts.BaseChanged));
        QVERIFY(!bench.flag(facts.ExtensionChanged));
        QVERIFY(bench.sim.transcript().empty());

        QVERIFY(p.OnApply());
        QCOMPARE(bench.sensorHalf(facts.BaseHalf1), base1);
        QCOMPARE(bench.sensorHalf(facts.BaseHalf2), base2);
        QCOMPARE(bench.sensorHalf(facts.ExtensionHalf1), extension1);
        QCOMPARE(bench.sensorHalf(facts.ExtensionHalf2), extension2);
        QVERIFY(!p.isModified());
        QVERIFY(bench.ui.messages().empty());
    }

    // The Misc. page sends the quick-setup command to every page.
    void quickSetupPresetsOnBothPages_data()
    {
        QTest::addColumn<int>("preset");
        QTest::addColumn<int>("button");
        QTest::addColumn<QList<int>>("walkAway");
        QTest::addColumn<QList<int>>("walkTo");
        const QList<int> lock{0x080F, 0, 0, 0};
        const QList<int> none{0, 0, 0, 0};
        const QList<int> secureAttention{0x054C, 0, 0, 0};
        QTest::newRow("Win2K") << 1 << 1040 << QList<int>{0x054C, 0x000E, 0x002A, 0x0029} << secureAttention;
        QTest::newRow("WinXP Welcome Screen Logon") << 2 << 1041 << lock << none;
        QTest::newRow("Win98/ME") << 3 << 1042 << none << none;
        QTest::newRow("WinXP Classic Logon Prompt") << 4 << 1043 << lock << secureAttention;
        QTest::newRow("Vista / Win7") << 5 << 1044 << lock << none;
    }
    void quickSetupPresetsOnBothPages()
    {
        QFETCH(int, preset);
        QFETCH(int, button);
        QFETCH(QList<int>, walkAway);
        QFETCH(QList<int>, walkTo);
        QCOMPARE(QuickSetupPresetForButton(button), FindQuickSetupPreset(preset));
        QVERIFY(FindQuickSetupPreset(preset) != nullptr);

        Bench bench;
        bench.host.sendPageCommand(PageCommand::QuickSetup, preset);
        QCOMPARE(shownKeySets(bench.wa, 1, 4), std::vector<std::uint16_t>(walkAway.begin(), walkAway.end()));
        QCOMPARE(shownKeySets(bench.wu, 1, 4), std::vector<std::uint16_t>(walkTo.begin(), walkTo.end()));
        QVERIFY(bench.model.WalkAwayChanged && bench.model.WalkUpChanged);
        QVERIFY(bench.host.anyMarkedModified());
    }

    // Any other argument shows nothing and still marks the page.
    void quickSetupOutsideThePresets()
    {
        QVERIFY(FindQuickSetupPreset(0) == nullptr && FindQuickSetupPreset(6) == nullptr);
        QVERIFY(QuickSetupPresetForButton(1045) == nullptr);
        Bench bench;
        const std::vector<std::uint16_t> before = shownKeySets(bench.wa, 1, 7);
        bench.wa.OnPageCommand(PageCommand::QuickSetup, 6);
        QCOMPARE(shownKeySets(bench.wa, 1, 7), before);
        QVERIFY(bench.wa.isModified());
        QVERIFY(bench.model.WalkAwayChanged);
    }

    void refresh_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("extension");
        QTest::addColumn<int>("argument");
        for (const char* page : {"WA", "WU"}) {
            for (bool extension : {false, true}) {
                for (int argument : {0, 1}) {
                    QTest::addRow("%s %s %d", page, extension ? "extension" : "base", argument)
                        << page << extension << argument;
                }
            }
        }
    }
    void refresh()
    {
        QFETCH(QString, page);
        QFETCH(bool, extension);
        QFETCH(int, argument);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        if (extension) click(p, facts.ExtensionBox);
        const std::vector<std::uint16_t> fromModel = shownKeySets(p, 1, 7);
        p.OnPageCommand(PageCommand::AdvancedSettings, 1);
        click(p, facts.Groups[0].Modifiers[3]);
        QVERIFY(p.isModified());
        bench.ui.clearRecords();

        p.OnPageCommand(PageCommand::Refresh, argument);

        QVERIFY(!edit(p, facts.DelayField)->isEnabled());
        if (page == "WA") QVERIFY(!edit(p, 1023)->isEnabled());
        QCOMPARE(p.editor().ExtensionView(), extension);
        QCOMPARE(button(p, facts.ExtensionBox)->isChecked(), extension);
        QCOMPARE(shownKeySets(p, 1, 7), fromModel);
        QVERIFY(bench.ui.busyBegins() > 0);
        QCOMPARE(p.isModified(), argument == 1);
        QCOMPARE(bench.host.isMarkedModified(p), argument == 1);
        QCOMPARE(bench.flag(facts.BaseChanged) != 0, argument == 1);
        QVERIFY(!bench.flag(facts.ExtensionChanged));

        QVERIFY(p.OnApply());
        const std::vector<sim::Report> sent = bench.sentReports();
        if (argument == 1) {
            QCOMPARE(sent.size(), std::size_t{10});
            QCOMPARE(sent.front(), report({facts.BaseCommand1}));
            QCOMPARE(sent[5], report({0x8B, facts.ExtensionSub1}));
        } else {
            QVERIFY(sent.empty());
        }
    }

    void advancedSettings_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("faultRateSwitched");  // 1023 is a modifier box on the Walk-To page
        QTest::newRow("Walk-Away") << "WA" << true;
        QTest::newRow("Walk-To") << "WU" << false;
    }
    void advancedSettings()
    {
        QFETCH(QString, page);
        QFETCH(bool, faultRateSwitched);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        QVERIFY(!p.item(facts.DelayField)->isEnabled());
        QCOMPARE(p.item(1023)->isEnabled(), !faultRateSwitched);

        p.OnPageCommand(PageCommand::AdvancedSettings, 1);
        QVERIFY(p.item(facts.DelayField)->isEnabled());
        QVERIFY(p.item(1023)->isEnabled());

        p.OnPageCommand(PageCommand::AdvancedSettings, 0);
        QVERIFY(!p.item(facts.DelayField)->isEnabled());
        QCOMPARE(p.item(1023)->isEnabled(), !faultRateSwitched);

        QVERIFY(!p.isModified());
        QVERIFY(!bench.flag(facts.BaseChanged));
    }

    void activationRefillsOnlyWithoutPendingChanges_data() { addPageRows(); }
    void activationRefillsOnlyWithoutPendingChanges()
    {
        QFETCH(QString, page);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        std::uint16_t* base =
            page == "WA" ? bench.model.EditCfg.WalkAway.Words : bench.model.EditCfg.WalkUp.Words;

        base[Key1CodeWA] = 0x04;
        QVERIFY(p.OnSetActive());
        QCOMPARE(shownKey(p, facts.Groups[0]), "A");

        chooseKey(p, facts.Groups[0].KeyList, "B");
        base[Key1CodeWA] = 0x06;
        QVERIFY(p.OnSetActive());
        QCOMPARE(shownKey(p, facts.Groups[0]), "B");
        QVERIFY(p.isModified());
    }

    // The Sonar page writes the base block in its own apply step; this page
    // still collects, writes its extension set and waits.
    void sonarPageOwnsTheBaseBlock_data() { addPageRows(); }
    void sonarPageOwnsTheBaseBlock()
    {
        QFETCH(QString, page);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        bench.flag(facts.BaseChangedBySonar) = 1;
        click(p, facts.Groups[0].Modifiers[7]);
        click(p, facts.ExtensionBox);
        chooseKey(p, facts.Groups[0].KeyList, "Q");

        QVERIFY(p.OnApply());

        const std::vector<sim::Report> sent = bench.sentReports();
        QCOMPARE(sent.size(), std::size_t{5});
        QCOMPARE(sent[0], report({0x8B, facts.ExtensionSub1}));
        QCOMPARE(sent[2], report({0x8B, facts.ExtensionSub2}));
        QCOMPARE(sent[3][2], 0x14);
        QCOMPARE(sent[4], report({0x90, facts.CommitMask}));
        QCOMPARE(bench.sim.nowMs() - bench.sim.transcript().back().TimeMs, std::uint64_t{1000});
        QVERIFY(!p.isModified());
        QVERIFY(!bench.flag(facts.BaseChanged));
        QVERIFY(!bench.flag(facts.ExtensionChanged));
        QVERIFY(bench.flag(facts.BaseChangedBySonar));
        // The base edit waits in the model for the Sonar page's write.
        const std::uint16_t firstMods =
            page == "WA" ? bench.model.EditCfg.WalkAway[Key1ModsWA] : bench.model.EditCfg.WalkUp[Key1ModsWU];
        QVERIFY(firstMods & 0x80);
        QCOMPARE(bench.sensorHalf(facts.BaseHalf1), page == "WA" ? kWalkAway1 : kWalkUp1);
    }

    void writeFailureIsReported_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("extensionNamed");
        for (const char* page : {"WA", "WU"}) {
            QTest::addRow("%s transfers fail", page) << page << "transfers" << false;
            QTest::addRow("%s extension commit fails", page) << page << "extension commit" << true;
            QTest::addRow("%s base block refused", page) << page << "refused" << false;
            QTest::addRow("%s Sonar page owns the base block", page) << page << "sonar" << true;
        }
    }
    void writeFailureIsReported()
    {
        QFETCH(QString, page);
        QFETCH(QString, failure);
        QFETCH(bool, extensionNamed);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        if (failure == "refused") {
            // No key set: the delay is stored unchecked and the library refuses it.
            bench.model.EditCfg.WalkAway[KeyCountWA] = bench.model.EditCfg.WalkUp[KeyCountWU] = 0;
            p.OnPageCommand(PageCommand::Refresh, 0);
            p.OnPageCommand(PageCommand::AdvancedSettings, 1);
            typeInto(p, facts.DelayField, "0");
        } else {
            click(p, facts.Groups[1].Modifiers[0]);
        }
        if (failure == "transfers" || failure == "sonar") bench.sim.failAllTransfers();
        if (failure == "extension commit") bench.sim.failTransfer(10);
        if (failure == "sonar") bench.flag(facts.BaseChangedBySonar) = 1;
        const std::uint64_t before = bench.sim.nowMs();

        QVERIFY(p.OnApply());

        QCOMPARE(bench.ui.messages().size(), std::size_t{1});
        verifyFailureMessage(bench, p, extensionNamed ? facts.ExtensionFeature : facts.BaseFeature);
        const std::vector<sim::Transfer>& transcript = bench.sim.transcript();
        const std::uint64_t lastTransfer = transcript.empty() ? before : transcript.back().TimeMs;
        QCOMPARE(bench.sim.nowMs(), lastTransfer);
        QVERIFY(p.isModified());
        QVERIFY(bench.host.isMarkedModified(p));
    }

    // A sensor that refused the extension sets at the last read: the box is
    // disabled and says why; a page left in the extension view goes back to
    // the base view. A sensor that takes them gets the box back.
    void extensionBoxFollowsTheSensorsSupport_data() { addPageRows(); }
    void extensionBoxFollowsTheSensorsSupport()
    {
        QFETCH(QString, page);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        QAbstractButton* box = button(p, facts.ExtensionBox);
        QVERIFY(box->isEnabled());
        QVERIFY(box->toolTip().isEmpty());
        click(p, facts.ExtensionBox);
        QVERIFY(p.editor().ExtensionView());

        bench.sim.sensor(bench.sensor).ExtensionSetsSupported = false;
        QCOMPARE(bench.model.ReadConfigFmDevice(), 1);
        p.OnPageCommand(PageCommand::Refresh, 0);

        QVERIFY(!box->isEnabled());
        QVERIFY(!box->isChecked());
        QCOMPARE(box->toolTip(), QStringLiteral("This sensor refused the extension sets when it was last "
                                                "read: its firmware does not support them."));
        QVERIFY(!p.editor().ExtensionView());
        QVERIFY(!p.item(facts.Groups[6].KeyList)->isEnabled());
        QCOMPARE(shownKey(p, facts.Groups[6]), QStringLiteral("[NONE]"));
        QCOMPARE(shownModifiers(p, facts.Groups[0]), page == "WA" ? 0x05 : 0x02);
        QVERIFY(!p.isModified());

        bench.sim.sensor(bench.sensor).ExtensionSetsSupported = true;
        QCOMPARE(bench.model.ReadConfigFmDevice(), 1);
        p.OnPageCommand(PageCommand::Refresh, 0);
        QVERIFY(box->isEnabled());
        QVERIFY(box->toolTip().isEmpty());
    }

    // The sensor refuses an extension set on Apply: the library commits the
    // rest and reports success, the page reports the refused set and stays
    // modified, and the next Apply tries again.
    void refusedExtensionWriteIsReported_data() { addPageRows(); }
    void refusedExtensionWriteIsReported()
    {
        QFETCH(QString, page);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        click(p, facts.ExtensionBox);
        click(p, facts.Groups[6].Modifiers[0]);
        bench.sim.sensor(bench.sensor).ExtensionSetsSupported = false;
        const sim::Half extensionBefore = bench.sensorHalf(facts.ExtensionHalf1);

        QVERIFY(p.OnApply());

        QCOMPARE(bench.ui.messages().size(), std::size_t{1});
        verifyFailureMessage(bench, p, facts.ExtensionFeature);
        QCOMPARE(bench.sensorHalf(facts.ExtensionHalf1), extensionBefore);
        QVERIFY(p.isModified());
        QVERIFY(bench.host.isMarkedModified(p));
        QVERIFY(bench.flag(facts.ExtensionChanged));
        QCOMPARE(bench.sim.nowMs(), bench.sim.transcript().back().TimeMs);

        bench.sim.sensor(bench.sensor).ExtensionSetsSupported = true;
        QVERIFY(p.OnApply());
        QCOMPARE(bench.ui.messages().size(), std::size_t{1});
        QCOMPARE(bench.sensorHalf(facts.ExtensionHalf1)[0], page == "WA" ? 4 : 1);
        QVERIFY(!p.isModified());
    }

    // A sensor that refused the extension sets when it was read: a change of
    // a base key set writes the base block only, shows nothing and leaves the
    // page clean, so the next Apply has nothing to repeat.
    void baseChangeOnSensorWithoutExtensionSets_data() { addPageRows(); }
    void baseChangeOnSensorWithoutExtensionSets()
    {
        QFETCH(QString, page);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        bench.sim.sensor(bench.sensor).ExtensionSetsSupported = false;
        QCOMPARE(bench.model.ReadConfigFmDevice(), 1);
        p.OnPageCommand(PageCommand::Refresh, 0);
        bench.sim.clearTranscript();
        click(p, facts.Groups[0].Modifiers[7]);  // RGUI joins the first key set

        QVERIFY(p.OnApply());

        const std::vector<sim::Report> sent = bench.sentReports();
        QCOMPARE(sent.size(), std::size_t{5});
        QCOMPARE(sent[0], report({facts.BaseCommand1}));
        QCOMPARE(sent[2], report({facts.BaseCommand2}));
        QCOMPARE(sent[4], report({0x90, facts.CommitMask}));
        QCOMPARE(bench.sensorHalf(facts.BaseHalf1)[2], page == "WA" ? 0x85 : 0x82);
        QVERIFY(bench.ui.messages().empty());
        QVERIFY(!p.isModified());
        QVERIFY(!bench.host.anyMarkedModified());
        QVERIFY(!bench.flag(facts.BaseChanged));
        QVERIFY(!bench.flag(facts.ExtensionChanged));

        bench.sim.clearTranscript();
        QVERIFY(p.OnApply());
        QVERIFY(bench.sim.transcript().empty());
    }

    // Without a sensor the page shows nothing and is unavailable; once the
    // sensor that was shown leaves, its key sets go from the page and nothing
    // stays pending. A sensor read again brings the page back.
    void withoutSensor_data() { addPageRows(); }
    void withoutSensor()
    {
        QFETCH(QString, page);
        const PageFacts& facts = factsOf(page);
        Bench bench;
        KeySetPage& p = bench.page(facts);
        click(p, facts.ExtensionBox);
        click(p, facts.Groups[0].Modifiers[1]);
        QVERIFY(p.isModified());

        CloseAllDevices();
        QCOMPARE(bench.model.ReadConfigFmDevice(), 0);
        p.OnPageCommand(PageCommand::Refresh, 0);

        QVERIFY(!p.isEnabled());
        for (const Group& group : facts.Groups) {
            QCOMPARE(p.listItem(group.KeyList)->currentIndex(), -1);
            QCOMPARE(shownCode(p, group), "");
            QCOMPARE(shownModifiers(p, group), 0);
        }
        QCOMPARE(edit(p, facts.DelayField)->text(), "");
        QVERIFY(!button(p, facts.ExtensionBox)->isChecked());
        QVERIFY(!p.editor().ExtensionView());
        QVERIFY(!p.isModified());
        QVERIFY(!bench.host.anyMarkedModified());
        QVERIFY(!bench.flag(facts.BaseChanged) && !bench.flag(facts.ExtensionChanged));
        QVERIFY(p.OnSetActive());
        QVERIFY(p.OnApply());
        QVERIFY(bench.ui.messages().empty());
        QVERIFY(bench.sim.transcript().empty());

        std::uint32_t firmware = 0;
        QCOMPARE(OpenSensors(&firmware), 1);
        QCOMPARE(bench.model.ReadConfigFmDevice(), 1);
        p.OnPageCommand(PageCommand::Refresh, 0);
        QVERIFY(p.isEnabled());
        QCOMPARE(shownModifiers(p, facts.Groups[0]), page == "WA" ? 0x05 : 0x02);
        QVERIFY(!p.item(facts.DelayField)->isEnabled());
        QVERIFY(!p.item(facts.Groups[6].KeyList)->isEnabled());
    }

    // The Walk-Away page's fault send rate is read only with an accepted delay;
    // the sensor keeps it in one byte, so a rate above 255 is held at 255 and
    // said, never wrapped (300 would reach the sensor as 44).
    void faultSendRate_data()
    {
        QTest::addColumn<bool>("extension");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<int>("delaySteps");
        QTest::addColumn<int>("rate");  // in the model afterwards
        QTest::addColumn<QString>("message");
        QTest::newRow("accepted") << false << "640" << 10 << 255
                                  << "The Maximum MinDist Fault Send Rate is 255 sec!";
        QTest::newRow("accepted in the extension view")
            << true << "640" << 10 << 255 << "The Maximum MinDist Fault Send Rate is 255 sec!";
        QTest::newRow("delay refused")
            << false << "63" << 4 << 30 << QString::fromLatin1(kInterKeyDelayMessage);
    }
    void faultSendRate()
    {
        QFETCH(bool, extension);
        QFETCH(QString, delay);
        QFETCH(int, delaySteps);
        QFETCH(int, rate);
        QFETCH(QString, message);
        Bench bench;
        KeySetPage& p = bench.wa;
        QCOMPARE(edit(p, 1023)->text(), "30");
        if (extension) click(p, kWalkAway.ExtensionBox);
        p.OnPageCommand(PageCommand::AdvancedSettings, 1);
        typeInto(p, 1023, "300");
        QVERIFY(bench.model.WalkAwayChanged);
        typeInto(p, kWalkAway.DelayField, delay);

        QVERIFY(p.OnApply());

        QCOMPARE(bench.model.EditCfg.WalkAway[MinFltRepRate], rate);
        QCOMPARE(bench.sensorHalf(sim::HalfId::WalkAway2)[1], rate);
        QCOMPARE(bench.sensorHalf(sim::HalfId::WalkAway1)[1], delaySteps);
        QCOMPARE(bench.ui.messages().size(), std::size_t{1});
        QCOMPARE(bench.ui.messages().front().Text, message);
        QCOMPARE(edit(p, kWalkAway.DelayField)->text(), delaySteps == 4 ? "256" : "640");
        QCOMPARE(edit(p, 1023)->text(), delaySteps == 4 ? "300" : "255");
        QVERIFY(!p.isModified());
    }
};

TOLVANE_REGISTER_TEST(KeySequencePagesTest)
#include "KeySequencePagesTest.moc"
