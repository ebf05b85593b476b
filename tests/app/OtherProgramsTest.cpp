// The sheet beside other programs using its sensor: it waits for a sensor
// another program holds, saying so while the windows keep painting; it reads
// an unedited sensor again when another program changed it, and asks before
// Apply writes over such a change.

#include <QTest>
#include <mutex>

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

// Every warning and critical message about threads that Qt or the program
// prints while it lives (a widget's children created from another thread, a
// timer started or stopped there, a pixmap used off the GUI thread): the test
// fails on any, as with such warnings made fatal.
class QtThreadWarnings {
public:
    QtThreadWarnings() : previous_(qInstallMessageHandler(record)) { active_ = this; }
    ~QtThreadWarnings()
    {
        qInstallMessageHandler(previous_);
        active_ = nullptr;
    }
    QtThreadWarnings(const QtThreadWarnings&) = delete;
    QtThreadWarnings& operator=(const QtThreadWarnings&) = delete;

    QStringList printed() const
    {
        const std::lock_guard lock(mutex_);
        return printed_;
    }

private:
    static void record(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type == QtDebugMsg || type == QtInfoMsg) return;
        if (!message.contains(QLatin1String("thread"), Qt::CaseInsensitive)) return;
        const std::lock_guard lock(active_->mutex_);
        active_->printed_ << message;
    }

    static inline QtThreadWarnings* active_ = nullptr;
    QtMessageHandler previous_;
    mutable std::mutex mutex_;
    QStringList printed_;
};

}  // namespace

class OtherProgramsTest : public QObject {
    Q_OBJECT
private slots:
    // The sheet reads a sensor another program holds for 1.5 s (the plug-in
    // policy applying a policy to it): at start-up, or plugged into the
    // running sheet beside another. The sensor is read on a thread of its
    // own; its wait reaches the status line on the GUI thread only (the
    // status line asserts it), the waiting words show while the wait lasts
    // and go, and the pages end with the sensor's values.
    void readingWaitsForAnotherProgram_data()
    {
        QTest::addColumn<bool>("atStartUp");
        QTest::newRow("at start-up") << true;
        QTest::newRow("plugged into the running sheet") << false;
    }

    void readingWaitsForAnotherProgram()
    {
        QFETCH(bool, atStartUp);
        const QtThreadWarnings warnings;
        RunningSheet f;
        if (!atStartUp) {
            f.Sim.plugSensor(0x0405, 1);
            f.start();
        }
        const sim::DeviceId held = f.Sim.plugSensor(0x0405, 2);
        f.Sim.sensor(held).Config[sim::HalfId::Sonar][kPingRateByte] = 200;
        const std::uint64_t freeAt = f.Sim.nowMs() + 1500;
        f.Sim.holdElsewhere(held, freeAt);
        QStringList seen;
        // On the GUI thread, handed over at each wait of the reading thread:
        // what was posted to the GUI thread meanwhile arrives, as the event
        // loop beside the reads delivers it.
        f.Sim.DuringWait = [&](std::uint32_t) {
            QCoreApplication::processEvents();
            const QString words = f.sheet().statusLine()->activityText();
            if (seen.isEmpty() || seen.back() != words) seen << words;
        };

        if (atStartUp)
            f.start();
        else
            f.deliverDeviceEvents();
        f.Sim.DuringWait = {};
        QCoreApplication::processEvents();

        QVERIFY2(seen.contains(WaitingForOtherProgramWords()), qPrintable(seen.join(QStringLiteral(" / "))));
        QCOMPARE(f.sheet().statusLine()->activityText(), QStringLiteral("Ready"));
        QCOMPARE(f.sheet().sensorStatus(),
                 atStartUp ? QStringLiteral("Sensor 1 of 1: firmware 4.05, LUID 2, sim1")
                           : QStringLiteral("Sensor 1 of 2: firmware 4.05, LUID 1, sim1"));
        if (atStartUp)
            QCOMPARE(f.pingRate()->text(), QStringLiteral("800"));
        else
            QVERIFY(
                f.chooser()->itemText(1).startsWith(QLatin1String("Sensor 2 of 2: firmware 4.05, LUID 2")));
        QVERIFY(!f.Sim.lockedHere(held));
        QVERIFY2(warnings.printed().isEmpty(), qPrintable(warnings.printed().join(QLatin1Char('\n'))));
    }

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
