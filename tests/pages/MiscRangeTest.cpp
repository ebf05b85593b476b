// The range view of the Misc. page: single readings, the firmware gate, the
// automatic readings with their rate check, and the trapped state.

#include <QTest>
#include <limits>

#include "MiscSession.h"
#include "TestRegistry.h"

using misctest::Session;
using namespace misc;
using sim::HalfId;

namespace {

constexpr std::size_t kMinDistByte = 3;

}  // namespace

class MiscRangeTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Session> s;

    void verifyMessage(const QString& text, const QString& caption, MessageIcon icon) const
    {
        QCOMPARE(s->ui.messageTexts(), QStringList{text});
        QCOMPARE(s->ui.messages()[0].Caption, caption);
        QCOMPARE(s->ui.messages()[0].Icon, icon);
    }

    void verifyIdle() const
    {
        QVERIFY(!s->rangeTimer()->isActive());
        QVERIFY(!s->isChecked(AutoGetRange));
        QVERIFY(s->button(GetRange)->isEnabled());
    }

    void startReadings(const QString& rate) const
    {
        Session::typeInto(s->misc->item(RangeRate), rate);
        s->click(AutoGetRange);
    }

private slots:
    void init() { s = std::make_unique<Session>(); }
    void cleanup() { s.reset(); }

    void readingText_data()
    {
        QTest::addColumn<int>("minDistRaw");
        QTest::addColumn<int>("extraFlags");
        QTest::addColumn<QString>("shown");
        QTest::newRow("in range") << 49 << 0x00 << "InRange: 30 inches, 01";
        QTest::newRow("not in range, flags 1 and 2") << 122 << 0x06 << "NOT InRange: 30 inches, 06";
    }

    // One exchange: the range command, 250 ms, the answer.
    void readingText()
    {
        QFETCH(int, minDistRaw);
        QFETCH(int, extraFlags);
        QFETCH(QString, shown);
        const sim::DeviceId id = s->sim.plugSensor(0x0144);
        s->sim.sensor(id).Config[HalfId::Sonar][kMinDistByte] = static_cast<std::uint8_t>(minDistRaw);
        s->sim.sensor(id).setTargetInches(30);
        s->sim.ExtraRangeFlags = static_cast<std::uint8_t>(extraFlags);
        s->start();

        s->click(GetRange);
        QCOMPARE(s->text(RangeText), shown);
        const auto& transcript = s->sim.transcript();
        QCOMPARE(transcript.size(), 2u);
        QCOMPARE(int(transcript[0].Bytes[1]), int(misctest::kRangeCommand));
        QCOMPARE(transcript[1].Dir, sim::Transfer::Get);
        QCOMPARE(transcript[1].TimeMs - transcript[0].TimeMs, 250u);
        QVERIFY(s->ui.messages().empty());
        QVERIFY(s->ui.maxBusyDepth() > 0);
    }

    void getRangeFirmwareGate()
    {
        s->sim.plugSensor(0x0143);
        s->start();
        s->click(GetRange);
        verifyMessage(QStringLiteral("The firmware version does not support this Feature."),
                      programDisplayName(), MessageIcon::None);
        QVERIFY(s->sim.transcript().empty());
        QVERIFY(s->text(RangeText).isEmpty());
    }

    // The status word is taken before the library is closed, and the message
    // comes after; the text of the last good reading stays.
    void failedGetRangeClosesLibrary()
    {
        const sim::DeviceId id = s->sim.plugSensor(0x0405);
        s->sim.sensor(id).setTargetInches(30);
        s->start();
        s->click(GetRange);
        const QString lastReading = s->text(RangeText);
        QVERIFY(!lastReading.isEmpty());

        s->sim.failTransfer(1);
        s->click(GetRange);
        verifyMessage(QStringLiteral("Failed to Get RangeInfo: Err = 01000202"), programDisplayName(),
                      MessageIcon::None);
        QCOMPARE(s->ui.DevCountAtMessage, std::vector<int>{0});
        QCOMPARE(s->sim.openHandleCount(id), 0);
        QCOMPARE(s->text(RangeText), lastReading);

        s->ui.clearRecords();
        s->click(GetRange);
        QCOMPARE(s->ui.messageTexts(), QStringList{"Failed to Get RangeInfo: Err = 01000000"});
    }

    void rateCheck_data()
    {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("period");  // 0: refused
        QTest::newRow("99") << "99" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("100") << "100" << 100;
        // Rates longer than a timer takes run at its longest period.
        QTest::newRow("beyond a timer") << "4294967295" << std::numeric_limits<int>::max();
        QTest::newRow("beyond 32 bits") << "99999999999" << std::numeric_limits<int>::max();
    }

    // Nothing is read at the start; the first reading comes one period later.
    void rateCheck()
    {
        QFETCH(QString, rate);
        QFETCH(int, period);
        s->sim.plugSensor();
        s->start();
        startReadings(rate);
        if (period != 0) {
            QVERIFY(s->ui.messages().empty());
            QVERIFY(s->rangeTimer()->isActive());
            QCOMPARE(s->rangeTimer()->interval(), period);
            QCOMPARE(s->text(RangeRate), rate);
            QVERIFY(s->isChecked(AutoGetRange));
            QVERIFY(!s->button(GetRange)->isEnabled());
            QVERIFY(s->sim.transcript().empty());
        } else {
            verifyMessage(QStringLiteral("Time in msec must be >= 100"), QStringLiteral("Entry Error"),
                          MessageIcon::Exclamation);
            verifyIdle();
        }
    }

    // Without a sensor neither way of reading is offered.
    void readingsWaitForASensor()
    {
        s->start();
        QVERIFY(!s->button(GetRange)->isEnabled());
        QVERIFY(!s->button(AutoGetRange)->isEnabled());
        startReadings(QStringLiteral("500"));
        s->click(GetRange);
        QVERIFY(s->ui.messages().empty());
        QVERIFY(!s->rangeTimer()->isActive());
        QVERIFY(!s->isChecked(AutoGetRange));

        s->sim.plugSensor(0x0405);
        verifyIdle();
        QVERIFY(s->button(AutoGetRange)->isEnabled());
    }

    // Readings follow the target until the box is cleared.
    void timedReadings()
    {
        const sim::DeviceId id = s->sim.plugSensor(0x0143);  // no firmware gate on timed readings
        s->sim.sensor(id).setTargetInches(30);
        s->start();
        startReadings(QStringLiteral("250"));
        s->fireRangeTimer();
        QCOMPARE(s->text(RangeText), QStringLiteral("InRange: 30 inches, 01"));
        s->sim.sensor(id).setTargetInches(60);
        s->fireRangeTimer();
        QCOMPARE(s->text(RangeText), QStringLiteral("NOT InRange: 60 inches, 00"));

        s->click(AutoGetRange);
        verifyIdle();
        QVERIFY(s->ui.messages().empty());
    }

    // A timed reading that finds the sensor in another program's hands is
    // skipped at once, without a report, a wait or a message; the next one reads.
    void readingSkippedWhileAnotherProgramHoldsTheSensor()
    {
        const sim::DeviceId id = s->sim.plugSensor(0x0143);
        s->sim.sensor(id).setTargetInches(30);
        s->start();
        startReadings(QStringLiteral("250"));
        s->sim.holdElsewhere(id, ~std::uint64_t{0});
        s->sim.clearTranscript();
        const std::uint64_t start = s->sim.nowMs();

        s->fireRangeTimer();

        QVERIFY(s->sim.transcript().empty());
        QCOMPARE(s->sim.nowMs(), start);
        QVERIFY(s->rangeTimer()->isActive());
        QVERIFY(s->ui.messages().empty());

        s->sim.holdElsewhere(id, 0);
        s->fireRangeTimer();
        QCOMPARE(s->text(RangeText), QStringLiteral("InRange: 30 inches, 01"));
        s->click(AutoGetRange);
    }

    // Readings that fail end with one tone and the trap message; "Get Range"
    // stays disabled until the user clears the box.
    void trappedWhenReadingsFail()
    {
        s->sim.plugSensor();
        s->start();
        startReadings(QStringLiteral("100"));
        s->sim.failAllTransfers();

        s->fireRangeTimer();
        verifyMessage(QStringLiteral("Failed GetRange in onTimer"), QStringLiteral("Device Trap"),
                      MessageIcon::Exclamation);
        QCOMPARE(s->ui.tones().size(), 1u);
        QCOMPARE(s->ui.tones()[0].FrequencyHz, 1000);
        QCOMPARE(s->ui.tones()[0].DurationMs, 1000);
        QVERIFY(!s->rangeTimer()->isActive());
        QVERIFY(s->isChecked(AutoGetRange));
        QVERIFY(!s->button(GetRange)->isEnabled());

        s->click(AutoGetRange);
        verifyIdle();
        QCOMPARE(s->ui.messages().size(), 1u);
    }

    // Pulling the sensor out ends the readings with one tone and the trap
    // message; "Get Range" stays disabled until the user clears the box, and
    // then neither way of reading is offered until a sensor is back.
    void trappedAfterUnplug()
    {
        const sim::DeviceId id = s->sim.plugSensor();
        s->start();
        startReadings(QStringLiteral("100"));
        s->fireRangeTimer();
        QVERIFY(!s->text(RangeText).isEmpty());
        s->sim.unplug(id);
        QCOMPARE(s->text(RangeText), QString());
        QVERIFY(!s->button(GetRange)->isEnabled());

        s->fireRangeTimer();
        verifyMessage(QStringLiteral("Failed GetRange in onTimer"), QStringLiteral("Device Trap"),
                      MessageIcon::Exclamation);
        QCOMPARE(s->ui.tones().size(), 1u);
        QVERIFY(!s->rangeTimer()->isActive());
        QVERIFY(s->isChecked(AutoGetRange));
        QVERIFY(s->button(AutoGetRange)->isEnabled());

        s->click(AutoGetRange);
        QVERIFY(!s->isChecked(AutoGetRange));
        QVERIFY(!s->button(GetRange)->isEnabled());
        QVERIFY(!s->button(AutoGetRange)->isEnabled());
        QCOMPARE(s->ui.messages().size(), 1u);

        s->sim.replug(id);
        verifyIdle();
    }

    // A sensor of the compact variant hides the group; readings that ran end.
    void hidingTheGroupEndsReadings()
    {
        const sim::DeviceId first = s->sim.plugSensor(0x0405);
        s->start();
        startReadings(QStringLiteral("100"));
        s->sim.unplug(first);
        s->sim.plugSensor(0x0402);
        QVERIFY(s->misc->item(RangeGroup)->isHidden());
        verifyIdle();
    }
};

TOLVANE_REGISTER_TEST(MiscRangeTest)
#include "MiscRangeTest.moc"
