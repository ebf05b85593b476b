// The sheet beside other programs using its sensor: it waits for a sensor
// another program holds, saying so while the windows keep painting; it reads
// an unedited sensor again when another program changed it, and asks before
// Apply writes over such a change.

#include <QTest>

#include "RunningSheet.h"
#include "TestRegistry.h"
#include "app/OtherPrograms.h"
#include "app/SheetStatusLine.h"

namespace {

// What another program does to the sensor: a new ping rate (4 ms steps), then its change notice.
void otherProgramSetsPingRate(sim::SimPlatform& sim, sim::DeviceId id, std::uint8_t steps)
{
    sim.sensor(id).Config[sim::HalfId::Sonar][kPingRateByte] = steps;
    sim.changeElsewhere(id);
}

}  // namespace

class OtherProgramsTest : public QObject {
    Q_OBJECT
private slots:
    // Apply while another program holds the sensor for 1.5 s: the status line
    // says the sheet waits, the event loop runs through the wait, and the
    // write starts once the sensor is free.
    void applyWaitsForAnotherProgram()
    {
        RunningSheet f;
        const sim::DeviceId id = f.Sim.plugSensor(0x0405, 1);
        f.start();
        f.typePingRate(QStringLiteral("600"));
        const std::uint64_t freeAt = f.Sim.nowMs() + 1500;
        f.Sim.holdElsewhere(id, freeAt);
        QStringList seen;
        int waitsThatRanTheEventLoop = 0;
        f.Sim.DuringWait = [&](std::uint32_t) {
            ++waitsThatRanTheEventLoop;
            const QString words = f.sheet().statusLine()->activityText();
            if (seen.isEmpty() || seen.back() != words) seen << words;
        };

        f.sheet().applyButton()->click();

        QVERIFY(seen.contains(WaitingForOtherProgramWords()));
        QVERIFY(waitsThatRanTheEventLoop >= 30);
        QCOMPARE(f.Sim.DeviceAccessDuringWaits, 0);
        QVERIFY(!f.Sim.transcript().empty());
        QCOMPARE(f.Sim.transcript().front().TimeMs, freeAt);
        QCOMPARE(f.Sim.sensor(id).Config[sim::HalfId::Sonar][kPingRateByte], 150);
        QCOMPARE(f.sheet().statusLine()->activityText(), QStringLiteral("Ready"));
        QVERIFY(!f.Sim.lockedHere(id));
        QVERIFY(f.Ui.messages().empty());
        f.Sim.DuringWait = {};
    }

    // Without pending changes, a change another program made is read at the
    // next look; a look with nothing changed costs no report.
    void unchangedSheetReadsTheOtherProgramsChange()
    {
        RunningSheet f;
        const sim::DeviceId id = f.Sim.plugSensor(0x0405, 1);
        f.start();

        f.sheet().otherPrograms()->lookForChanges();
        QVERIFY(f.Sim.transcript().empty());

        otherProgramSetsPingRate(f.Sim, id, 200);
        f.sheet().otherPrograms()->lookForChanges();

        QCOMPARE(f.pingRate()->text(), QStringLiteral("800"));
        QVERIFY(!f.sheet().applyButton()->isEnabled());
        QVERIFY(f.Ui.questions().empty());
    }

    // With pending changes, the look reads nothing; Apply asks, and the answer decides.
    void applyAsksBeforeWritingOverAnotherProgramsChange_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("sensorPingRate");  // the sensor's ping rate byte afterwards
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("stillPending");
        QTest::newRow("overwrite") << int(Answer::Overwrite) << 150 << "600" << false;
        QTest::newRow("read again") << int(Answer::ReadAgain) << 200 << "800" << false;
        QTest::newRow("cancel") << int(Answer::Cancel) << 200 << "600" << true;
    }

    void applyAsksBeforeWritingOverAnotherProgramsChange()
    {
        QFETCH(int, answer);
        QFETCH(int, sensorPingRate);
        QFETCH(QString, shown);
        QFETCH(bool, stillPending);
        RunningSheet f;
        const sim::DeviceId id = f.Sim.plugSensor(0x0405, 1);
        f.start();
        f.typePingRate(QStringLiteral("600"));
        otherProgramSetsPingRate(f.Sim, id, 200);
        f.sheet().otherPrograms()->lookForChanges();
        QVERIFY(f.Sim.transcript().empty());
        f.Ui.queueAnswer(static_cast<Answer>(answer));

        f.sheet().applyButton()->click();

        QCOMPARE(f.Ui.questions().size(), std::size_t{1});
        const RecordingUiServices::Question& question = f.Ui.questions().front();
        QCOMPARE(question.Answers,
                 (std::vector<Answer>{Answer::Overwrite, Answer::ReadAgain, Answer::Cancel}));
        QCOMPARE(question.Default, Answer::Cancel);
        QVERIFY(question.Text.contains(QLatin1String("Another program has changed the sensor")));
        QCOMPARE(f.Sim.sensor(id).Config[sim::HalfId::Sonar][kPingRateByte], sensorPingRate);
        QCOMPARE(f.pingRate()->text(), shown);
        QCOMPARE(f.sheet().applyButton()->isEnabled(), stillPending);

        // Once written over or read again, Apply does not ask a second time.
        if (!stillPending) {
            f.typePingRate(QStringLiteral("700"));
            f.sheet().applyButton()->click();
            QCOMPARE(f.Ui.questions().size(), std::size_t{1});
            QCOMPARE(f.Sim.sensor(id).Config[sim::HalfId::Sonar][kPingRateByte], 175);
        }
    }
};

TOLVANE_REGISTER_TEST(OtherProgramsTest)
#include "OtherProgramsTest.moc"
