// The Misc. page's device actions, advanced settings, quick setup, layout by
// variant and the LUID, with the four pages on a virtual sensor.

#include <QLineEdit>
#include <QTest>
#include <algorithm>

#include "MiscSession.h"
#include "TestRegistry.h"
#include "resources/SonarControls.h"

using misctest::Session;
using namespace misc;
using sim::HalfId;

namespace {

constexpr std::uint8_t kRestoreDefaultsCommand = 0xD0;
constexpr std::uint8_t kSaveDefaultsCommand = 0xE0;
constexpr std::uint8_t kFactoryResetCommand = 0xA0;
// The delay between key presses on both sequence pages: an advanced control.
constexpr int kKeyDelayField = 1014;

constexpr int kQuickSetupButtons[] = {QuickWin2K, QuickWinXPClassic, QuickWinXPWelcome, QuickVista,
                                      QuickWin98};
constexpr int kRangeControls[] = {RangeGroup, GetRange,       RangeText,        AutoGetRange,
                                  RangeRate,  RangeRateLabel, RangeWindowButton};

bool SentRefresh(const TestPageHost& host)
{
    for (const TestPageHost::Command& command : host.commands()) {
        if (command.Id == PageCommand::Refresh) return true;
    }
    return false;
}

}  // namespace

class MiscPageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Session> s;

    // The program's own caption, no icon: how the page's plain messages show.
    void verifyPlainMessages(const QStringList& texts) const
    {
        QCOMPARE(s->ui.messageTexts(), texts);
        for (const RecordingUiServices::Message& message : s->ui.messages()) {
            QCOMPARE(message.Caption, programDisplayName());
            QCOMPARE(message.Icon, MessageIcon::None);
            QCOMPARE(message.Owner, s->misc.get());
        }
    }

    int checkedQuickSetupButtons() const
    {
        int checked = 0;
        for (int id : kQuickSetupButtons) checked += s->isChecked(id) ? 1 : 0;
        return checked;
    }

private slots:
    void init() { s = std::make_unique<Session>(); }
    void cleanup() { s.reset(); }

    void createdWithHiddenWin98AndRate500()
    {
        s->sim.plugSensor(0x0405, 0x0102);
        s->start();
        QVERIFY(s->misc->item(QuickWin98)->isHidden());
        QCOMPARE(s->text(RangeRate), QStringLiteral("500"));
        QCOMPARE(s->text(Luid), QStringLiteral("258"));
        QVERIFY(!s->isChecked(AdvancedSettings));
        QVERIFY(!s->isChecked(CloneSaved));
        QVERIFY(!s->button(CloneSaved)->isEnabled());
        QVERIFY(!s->rangeTimer()->isActive());
        QVERIFY(!s->misc->isModified());
        QCOMPARE(s->model.LuidChanged, 0u);
    }

    void userDefaultsFirmwareGate_data()
    {
        QTest::addColumn<int>("firmware");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("command");
        QTest::newRow("restore 3.50") << 0x0350 << int(RestoreDefaults)
                                      << "This Feature is not supported on your Firmware Version!" << 0;
        QTest::newRow("save 3.50") << 0x0350 << int(SaveDefaults)
                                   << "This Feature is not supported on your current Firmware!" << 0;
        QTest::newRow("restore 4.00") << 0x0400 << int(RestoreDefaults) << "" << int(kRestoreDefaultsCommand);
        QTest::newRow("save 4.00") << 0x0400 << int(SaveDefaults) << "" << int(kSaveDefaultsCommand);
    }

    void userDefaultsFirmwareGate()
    {
        QFETCH(int, firmware);
        QFETCH(int, button);
        QFETCH(QString, refusal);
        QFETCH(int, command);
        s->sim.plugSensor(static_cast<std::uint16_t>(firmware));
        s->start();
        s->click(button);
        if (refusal.isEmpty()) {
            verifyPlainMessages({});
            QVERIFY(s->sentCommand(static_cast<std::uint8_t>(command)));
            QVERIFY(SentRefresh(s->host));
        } else {
            verifyPlainMessages({refusal});
            QVERIFY(s->sim.transcript().empty());
            QVERIFY(!SentRefresh(s->host));
        }
    }

    // The sensor comes back with its factory ping rate; the page waits, then
    // every page shows it, and no preset stays chosen.
    void resetAllAfterQuickSetup()
    {
        const sim::DeviceId id = s->sim.plugSensor(0x0405);
        s->sim.sensor(id).Config[HalfId::Sonar][1] = 100;  // 400 ms
        s->start();
        QCOMPARE(s->sonar->item(sonar::PingRate)->property("text").toString(), QStringLiteral("400"));
        s->click(QuickVista);
        QVERIFY(s->isChecked(QuickVista));

        s->ui.queueAnswer(Answer::Yes);
        s->click(ResetAll);
        QVERIFY(s->sentCommand(kFactoryResetCommand));
        QCOMPARE(checkedQuickSetupButtons(), 0);
        QCOMPARE(s->sim.nowMs() - s->sim.transcript().back().TimeMs, 1000u);
        QCOMPARE(s->host.commands().back().Id, PageCommand::Refresh);
        QCOMPARE(s->host.commands().back().Argument, 0);
        QCOMPARE(s->sonar->item(sonar::PingRate)->property("text").toString(), QStringLiteral("500"));
        QVERIFY(s->ui.maxBusyDepth() > 0);
        QCOMPARE(s->ui.busyDepth(), 0);
        verifyPlainMessages({});
    }

    // Reset All asks before it replaces the sensor's configuration; Cancel is
    // the default and sends nothing.
    void resetAllAsksFirst_data()
    {
        QTest::addColumn<bool>("answerGiven");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("reset");
        QTest::newRow("yes") << true << int(Answer::Yes) << true;
        QTest::newRow("cancel") << true << int(Answer::Cancel) << false;
        QTest::newRow("enter: the default") << false << 0 << false;
    }

    void resetAllAsksFirst()
    {
        QFETCH(bool, answerGiven);
        QFETCH(int, answer);
        QFETCH(bool, reset);
        const sim::DeviceId id = s->sim.plugSensor(0x0405);
        s->sim.sensor(id).Config[HalfId::Sonar][1] = 100;
        s->start();
        if (answerGiven) s->ui.queueAnswer(static_cast<Answer>(answer));
        s->click(ResetAll);

        QCOMPARE(s->ui.questions().size(), std::size_t{1});
        const RecordingUiServices::Question& question = s->ui.questions().front();
        QVERIFY(question.Text.contains(
            QLatin1String("The sensor's configuration will be replaced by its factory defaults")));
        QCOMPARE(question.Caption, QStringLiteral("Reset All"));
        QCOMPARE(question.Answers, (std::vector<Answer>{Answer::Yes, Answer::Cancel}));
        QCOMPARE(question.Default, Answer::Cancel);
        QCOMPARE(question.Owner, s->misc.get());

        QCOMPARE(s->sentCommand(kFactoryResetCommand), reset);
        QCOMPARE(s->sim.transcript().empty(), !reset);
        QCOMPARE(SentRefresh(s->host), reset);
        QCOMPARE(s->sim.sensor(id).Config[HalfId::Sonar][1], reset ? 125 : 100);
        verifyPlainMessages({});
    }

    void storedConfigCommandFailure_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("message");
        QTest::newRow("reset") << int(ResetAll) << "Failed to Reset the device to factory defaults!";
        QTest::newRow("restore") << int(RestoreDefaults) << "Failed to Restore User Defaults!";
        QTest::newRow("save") << int(SaveDefaults) << "Failed to Save User Defaults!";
    }

    void storedConfigCommandFailure()
    {
        QFETCH(int, button);
        QFETCH(QString, message);
        s->sim.plugSensor(0x0400);
        s->start();
        s->click(QuickVista);
        s->host.clearRecords();
        s->sim.failAllTransfers();
        s->ui.queueAnswer(Answer::Yes);
        s->click(button);
        verifyPlainMessages({message});
        QVERIFY(s->isChecked(QuickVista));
        QVERIFY(!SentRefresh(s->host));
    }

    void advancedSettingsClearedByReplug()
    {
        const sim::DeviceId id = s->sim.plugSensor();
        s->start();
        const auto advancedEnabled = [this] {
            return QList<bool>{s->walkAway->item(kKeyDelayField)->isEnabled(),
                               s->walkTo->item(kKeyDelayField)->isEnabled(),
                               s->sonar->item(sonar::PingRate)->isEnabled()};
        };
        QCOMPARE(advancedEnabled(), QList<bool>({false, false, false}));

        s->click(AdvancedSettings);
        QCOMPARE(advancedEnabled(), QList<bool>({true, true, true}));
        QCOMPARE(s->host.commands().size(), 1u);
        QCOMPARE(s->host.commands()[0].Id, PageCommand::AdvancedSettings);
        QCOMPARE(s->host.commands()[0].Argument, 1);

        s->sim.unplug(id);
        s->sim.plugSensor();
        QVERIFY(!s->isChecked(AdvancedSettings));
        QCOMPARE(advancedEnabled(), QList<bool>({false, false, false}));
        // The box is only cleared: the refresh turns the advanced controls off.
        const auto& commands = s->host.commands();
        QCOMPARE(
            std::count_if(commands.begin(), commands.end(),
                          [](const auto& command) { return command.Id == PageCommand::AdvancedSettings; }),
            1);
        QCOMPARE(commands.back().Id, PageCommand::Refresh);

        s->click(AdvancedSettings);
        s->click(AdvancedSettings);
        QCOMPARE(s->host.commands().back().Id, PageCommand::AdvancedSettings);
        QCOMPARE(s->host.commands().back().Argument, 0);
        QCOMPARE(advancedEnabled(), QList<bool>({false, false, false}));
    }

    // Key sets 1 to 4 of both sequences take the preset; Apply then writes
    // them. Counts are squeezed to the non-empty sets.
    void quickSetupFillsSequencePages_data()
    {
        using Keys = QList<int>;  // modifier set, key code of key sets 1 to 4
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("preset");
        QTest::addColumn<Keys>("walkAway");
        QTest::addColumn<Keys>("walkTo");
        QTest::newRow("Win2K") << int(QuickWin2K) << 1 << Keys{0x05, 0x4C, 0x00, 0x0E, 0x00, 0x2A, 0x00, 0x29}
                               << Keys{0x05, 0x4C, 0, 0, 0, 0, 0, 0};
        QTest::newRow("WinXP Welcome") << int(QuickWinXPWelcome) << 2 << Keys{0x08, 0x0F, 0, 0, 0, 0, 0, 0}
                                       << Keys{0, 0, 0, 0, 0, 0, 0, 0};
    }

    void quickSetupFillsSequencePages()
    {
        QFETCH(int, button);
        QFETCH(int, preset);
        QFETCH(QList<int>, walkAway);
        QFETCH(QList<int>, walkTo);
        const sim::DeviceId id = s->sim.plugSensor(0x0405);
        sim::VirtualSensor& sensor = s->sim.sensor(id);
        // Two keys on either sequence before the preset.
        sensor.Config[HalfId::WalkAway1] = {2, 2, 0x01, 0x02, 0, 0, 0, 0};
        sensor.Config[HalfId::WalkAway2] = {0, 10, 0x04, 0x05, 0, 0, 0, 0};
        sensor.Config[HalfId::WalkUp1] = {2, 2, 0x02, 0x01, 0, 0, 0, 0};
        sensor.Config[HalfId::WalkUp2] = {0, 0x5A, 0x06, 0x07, 0, 0, 0, 0};
        s->start();

        s->click(button);
        QVERIFY(s->isChecked(button));
        QVERIFY(s->sim.transcript().empty());
        QCOMPARE(s->host.commands().size(), 1u);
        QCOMPARE(s->host.commands()[0].Id, PageCommand::QuickSetup);
        QCOMPARE(s->host.commands()[0].Argument, preset);
        QVERIFY(s->host.isMarkedModified(*s->walkAway));
        QVERIFY(s->host.isMarkedModified(*s->walkTo));
        QVERIFY(s->model.WalkAwayChanged);
        QVERIFY(s->model.WalkUpChanged);

        s->apply();
        const auto verifySequence = [](const sim::Half& first, const sim::Half& second,
                                       const QList<int>& keys) {
            int count = 0;
            for (int set = 0; set < 4; ++set) {
                QCOMPARE(int(first[2 + set]), keys[2 * set]);
                QCOMPARE(int(second[2 + set]), keys[2 * set + 1]);
                count += keys[2 * set + 1] != 0 ? 1 : 0;
            }
            QCOMPARE(int(first[0]), count);
        };
        verifySequence(sensor.Config[HalfId::WalkAway1], sensor.Config[HalfId::WalkAway2], walkAway);
        verifySequence(sensor.Config[HalfId::WalkUp1], sensor.Config[HalfId::WalkUp2], walkTo);
        QVERIFY(s->isChecked(button));
    }

    void quickSetupWithoutSensor()
    {
        s->start();
        s->click(QuickWin2K);
        QCOMPARE(checkedQuickSetupButtons(), 0);
        QVERIFY(s->host.commands().empty());
        QVERIFY(!s->host.anyMarkedModified());
        QVERIFY(!s->model.WalkAwayChanged);
        QVERIFY(!s->model.WalkUpChanged);
    }

    void rangeGroupFollowsVariant()
    {
        const sim::DeviceId id = s->sim.plugSensor(0x0402);
        s->start();
        QCOMPARE(s->model.DeviceVariant, 2);
        for (int control : kRangeControls) QVERIFY(s->misc->item(control)->isHidden());

        // Without a sensor the group is shown again, its readings unavailable.
        s->sim.unplug(id);
        for (int control : kRangeControls) {
            QVERIFY(!s->misc->item(control)->isHidden());
            QCOMPARE(s->misc->item(control)->isEnabled(), control != GetRange && control != AutoGetRange);
        }
        s->sim.plugSensor(0x0405);
        for (int control : kRangeControls) {
            QVERIFY(!s->misc->item(control)->isHidden());
            QVERIFY(s->misc->item(control)->isEnabled());
        }
    }

    // The typed LUID reaches the model at "Save" without traffic; Apply
    // writes it, waits and clears the page's mark.
    void luidTypedSavedThenApplied()
    {
        const sim::DeviceId id = s->sim.plugSensor(0x0405, 257);
        s->start();
        Session::typeInto(s->misc->item(Luid), QStringLiteral("4660"));
        QVERIFY(s->model.LuidChanged);
        QVERIFY(s->host.isMarkedModified(*s->misc));

        s->click(SaveLuid);
        QCOMPARE(s->model.EditLuid, 4660);
        QVERIFY(s->sim.transcript().empty());

        QVERIFY(s->misc->OnApply());
        QCOMPARE(s->sim.sensor(id).Luid, 4660);
        QCOMPARE(s->sim.nowMs() - s->sim.transcript().back().TimeMs, 1000u);
        QVERIFY(!s->model.LuidChanged);
        QVERIFY(!s->host.isMarkedModified(*s->misc));
        verifyPlainMessages({});
    }

    void luidAboveLimitIsLimited_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("65536") << "65536";
        QTest::newRow("70000") << "70000";
        QTest::newRow("beyond 64 bits") << "123456789012345678901234567890";
    }

    void luidAboveLimitIsLimited()
    {
        QFETCH(QString, typed);
        s->sim.plugSensor(0x0405, 7);
        s->start();
        Session::typeInto(s->misc->item(Luid), typed);
        s->click(SaveLuid);
        QCOMPARE(s->model.EditLuid, 65535);
        QCOMPARE(s->text(Luid), QStringLiteral("65535"));
    }

    void luidReachesSensorOnApplyWithoutSave()
    {
        const sim::DeviceId id = s->sim.plugSensor(0x0405, 7);
        s->start();
        Session::typeInto(s->misc->item(Luid), QStringLiteral("513"));
        s->apply();
        QCOMPARE(s->sim.sensor(id).Luid, 513);
        QCOMPARE(s->model.EditLuid, 513);
    }

    void luidApplyWithoutChangeSendsNothing()
    {
        s->sim.plugSensor(0x0405, 7);
        s->start();
        s->apply();
        QVERIFY(s->sim.transcript().empty());
    }

    // The failed write is reported, and the LUID typed stays, marked, until
    // an Apply writes it.
    void aFailedLuidWriteKeepsWhatWasTyped()
    {
        const sim::DeviceId id = s->sim.plugSensor(0x0405, 7);
        s->start();
        Session::typeInto(s->misc->item(Luid), QStringLiteral("9"));
        s->sim.failAllTransfers();
        QVERIFY(s->misc->OnApply());
        verifyPlainMessages({QStringLiteral("Failed to Write the device Features (LUID)!")});
        QCOMPARE(s->sim.sensor(id).Luid, 7);
        QVERIFY(s->model.LuidChanged);
        QVERIFY(s->host.isMarkedModified(*s->misc));
        QCOMPARE(qobject_cast<QLineEdit*>(s->misc->item(Luid))->text(), QStringLiteral("9"));

        s->sim.failAllTransfers(false);
        QVERIFY(s->misc->OnApply());
        QCOMPARE(s->sim.sensor(id).Luid, 9);
        QVERIFY(!s->model.LuidChanged);
        QVERIFY(!s->host.isMarkedModified(*s->misc));
    }
};

TOLVANE_REGISTER_TEST(MiscPageTest)
#include "MiscPageTest.moc"
