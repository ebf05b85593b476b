// The range plot's data without widgets: readings in order with their times
// and marks, the bound on their number, the span shown, stops and their
// reasons, the CSV text, and the detection window typed distances give.

#include <QTest>

#include "TestRegistry.h"
#include "pages/RangeSeries.h"

namespace {

RangeReading reading(std::uint64_t timeMs, std::uint32_t inches, bool inRange = false)
{
    return {timeMs, inches, inRange, static_cast<std::uint8_t>(inRange ? 0x01 : 0x00)};
}

std::vector<std::uint64_t> timesOf(const std::vector<RangeReading>& readings)
{
    std::vector<std::uint64_t> times;
    for (const RangeReading& r : readings) times.push_back(r.TimeMs);
    return times;
}

}  // namespace

class RangeSeriesTest : public QObject {
    Q_OBJECT
private slots:
    void startsWaitingAndEmpty()
    {
        const RangeSeries series;
        QCOMPARE(series.state(), RangeSeries::State::Waiting);
        QVERIFY(series.readings().empty());
        QVERIFY(!series.latest());
        QVERIFY(series.recent(60'000).empty());
        QCOMPARE(series.capacity(), std::size_t{9000});
    }

    void keepsReadingsInOrderWithTheirMarks()
    {
        RangeSeries series;
        const std::vector<RangeReading> taken = {reading(250, 30, true), reading(750, 61),
                                                 reading(1250, 44, true)};
        for (const RangeReading& r : taken) series.add(r);
        QVERIFY(std::ranges::equal(series.readings(), taken));
        QCOMPARE(*series.latest(), taken.back());
        QCOMPARE(series.state(), RangeSeries::State::Live);
    }

    // The oldest readings make room; the newest are never lost.
    void staysBounded()
    {
        RangeSeries series(3);
        for (std::uint64_t t = 1; t <= 5; ++t) series.add(reading(t * 100, static_cast<std::uint32_t>(t)));
        QCOMPARE(series.readings().size(), std::size_t{3});
        QCOMPARE(series.readings().front().TimeMs, 300u);
        QCOMPARE(series.latest()->TimeMs, 500u);
    }

    void recentCountsBackFromTheLatestReading_data()
    {
        QTest::addColumn<qulonglong>("spanMs");
        QTest::addColumn<std::vector<std::uint64_t>>("shown");
        QTest::newRow("all within") << 120'000ull
                                    << std::vector<std::uint64_t>{0, 30'000, 59'000, 60'000, 120'000};
        QTest::newRow("one minute, edge included")
            << 60'000ull << std::vector<std::uint64_t>{60'000, 120'000};
        QTest::newRow("latest only") << 0ull << std::vector<std::uint64_t>{120'000};
    }
    void recentCountsBackFromTheLatestReading()
    {
        QFETCH(qulonglong, spanMs);
        QFETCH(std::vector<std::uint64_t>, shown);
        RangeSeries series;
        for (std::uint64_t t : {0ull, 30'000ull, 59'000ull, 60'000ull, 120'000ull})
            series.add(reading(t, 30));
        QCOMPARE(timesOf(series.recent(spanMs)), shown);
    }

    // What was read stays; the first reason is what stopped the readings;
    // readings coming again make the series live and forget the reason.
    void stopKeepsReadingsAndTheFirstReason()
    {
        RangeSeries series;
        series.add(reading(500, 30, true));
        series.stop("Failed GetRange in onTimer");
        series.stop("Auto GetRange was cleared");
        QCOMPARE(series.state(), RangeSeries::State::Stopped);
        QCOMPARE(series.stopReason(), std::string("Failed GetRange in onTimer"));
        QCOMPARE(series.readings().size(), std::size_t{1});

        series.add(reading(900, 31, true));
        QCOMPARE(series.state(), RangeSeries::State::Live);
        QVERIFY(series.stopReason().empty());
        QCOMPARE(series.readings().size(), std::size_t{2});
    }

    void windowIsKept()
    {
        RangeSeries series;
        series.setWindow({20, 48});
        QCOMPARE(series.window(), (DetectionWindow{20, 48}));
    }

    void csvHasOneLinePerReadingFromTheOldest()
    {
        RangeSeries series(2);
        series.add(reading(1000, 12));
        series.add({1750, 30, true, 0x07});
        series.add({63'005, 72, false, 0x04});
        QCOMPARE(QString::fromStdString(series.csv()), QStringLiteral("seconds,inches,in_range,flags\n"
                                                                      "0.000,30,1,07\n"
                                                                      "61.255,72,0,04\n"));
        QCOMPARE(QString::fromStdString(RangeSeries().csv()),
                 QStringLiteral("seconds,inches,in_range,flags\n"));
    }

    void typedDistancesGiveAWindowTheSensorTakes_data()
    {
        QTest::addColumn<uint>("typedMin");
        QTest::addColumn<uint>("typedMax");
        QTest::addColumn<uint>("min");
        QTest::addColumn<uint>("max");
        QTest::newRow("as typed") << 20u << 48u << 20u << 48u;
        QTest::newRow("both empty") << 0u << 0u << 1u << 15u;
        QTest::newRow("equal") << 30u << 30u << 30u << 31u;
        QTest::newRow("both too far") << 80u << 80u << 59u << 72u;
        QTest::newRow("maximum below minimum") << 40u << 20u << 40u << 41u;
        QTest::newRow("beyond 32 bits") << 0xFFFFFFFFu << 0xFFFFFFFFu << 59u << 72u;
    }
    void typedDistancesGiveAWindowTheSensorTakes()
    {
        QFETCH(uint, typedMin);
        QFETCH(uint, typedMax);
        QFETCH(uint, min);
        QFETCH(uint, max);
        QCOMPARE(LimitedDetectionWindow(typedMin, typedMax), (DetectionWindow{min, max}));
    }
};

TOLVANE_REGISTER_TEST(RangeSeriesTest)
#include "RangeSeriesTest.moc"
