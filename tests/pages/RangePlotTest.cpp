// The range plot on the Misc. page: the timed readings reach its series in
// order with their times and marks, without a single extra exchange with the
// sensor; the detection window follows the Sonar page's pending edits; the
// plot says why readings stopped and keeps what it drew; the "Range" window
// saves the readings as CSV through the file chooser.

#include <QAreaSeries>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <functional>

#include "MiscSession.h"
#include "TestRegistry.h"
#include "pages/RangePlot.h"
#include "pages/RangeWindow.h"
#include "pages/ReadableColor.h"
#include "resources/SonarControls.h"

using misctest::Session;
using namespace misc;

namespace {

// The library's wait between the range command and its answer.
constexpr std::uint64_t kExchangeMs = 250;
// The period the tests run the readings at.
constexpr std::uint32_t kPeriodMs = 500;

template <typename T>
T* chartSeries(const RangeWindow& window, const QString& name)
{
    for (QAbstractSeries* series :
         window.findChild<QChartView*>(QStringLiteral("chart"))->chart()->series()) {
        if (series->objectName() == name) return qobject_cast<T*>(series);
    }
    return nullptr;
}

int pointCount(const RangeWindow& window, const QString& name)
{
    return static_cast<int>(chartSeries<QXYSeries>(window, name)->count());
}

QString labelText(const RangeWindow& window, const QString& name)
{
    return window.findChild<QLabel*>(name)->text();
}

}  // namespace

class RangePlotTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Session> s;
    sim::DeviceId sensor = 0;

    const RangeSeries& series() const { return s->misc->rangePlot()->series(); }

    RangeWindow& openWindow() const
    {
        s->click(RangeWindowButton);
        return *s->misc->rangePlot()->window();
    }

    void startReadings() const
    {
        Session::typeInto(s->misc->item(RangeRate), QString::number(kPeriodMs));
        s->click(AutoGetRange);
    }

    // One period passes: the time between two readings, then the reading,
    // which takes the exchange's wait.
    void nextReading() const
    {
        s->sim.sleepMs(kPeriodMs - kExchangeMs);
        s->fireRangeTimer();
    }

    void typeIntoSonar(int id, const QString& text) const { Session::typeInto(s->sonar->item(id), text); }

    void verifyBand(const RangeWindow& window, DetectionWindow expected) const
    {
        QCOMPARE(series().window(), expected);
        auto* band = chartSeries<QAreaSeries>(window, QStringLiteral("detectionWindow"));
        QVERIFY(band->isVisible());
        for (const QPointF& point : band->lowerSeries()->points())
            QCOMPARE(point.y(), double(expected.MinInches));
        for (const QPointF& point : band->upperSeries()->points())
            QCOMPARE(point.y(), double(expected.MaxInches));
        QCOMPARE(band->lowerSeries()->count(), 2);
    }

private slots:
    // In a light and in a dark colour scheme the chart takes the window's
    // colours, every word has at least 4.5:1 contrast on what it is drawn on,
    // and the legend has room for all of its entries.
    void followsThePaletteReadably_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }

    void followsThePaletteReadably()
    {
        QFETCH(bool, dark);
        RangeWindow& window = openWindow();
        startReadings();
        nextReading();
        QPalette palette = window.palette();
        if (dark) {
            palette.setColor(QPalette::Window, QColor(0x2A, 0x2A, 0x2E));
            palette.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x22));
            palette.setColor(QPalette::Text, QColor(0xE8, 0xE8, 0xE8));
            palette.setColor(QPalette::WindowText, QColor(0xE8, 0xE8, 0xE8));
        } else {
            palette.setColor(QPalette::Window, QColor(0xEF, 0xEF, 0xEF));
            palette.setColor(QPalette::Base, Qt::white);
        }
        window.setPalette(palette);
        window.resize(window.minimumSizeHint());
        QCoreApplication::processEvents();

        for (const char* name : {"distance", "inRange", "status"}) {
            auto* label = window.findChild<QLabel*>(QLatin1String(name));
            const double contrast =
                contrastRatio(label->palette().color(QPalette::WindowText), palette.color(QPalette::Window));
            QVERIFY2(contrast >= 4.5,
                     qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(name)).arg(contrast)));
        }
        auto* view = window.findChild<QChartView*>(QStringLiteral("chart"));
        QChart* chart = view->chart();
        QCOMPARE(chart->backgroundBrush().color(), palette.color(QPalette::Base));
        QVERIFY(contrastRatio(chart->legend()->labelColor(), palette.color(QPalette::Base)) >= 4.5);
        for (QAbstractAxis* axis : chart->axes()) {
            QVERIFY(contrastRatio(axis->labelsColor(), palette.color(QPalette::Base)) >= 4.5);
            QVERIFY(contrastRatio(axis->titleBrush().color(), palette.color(QPalette::Base)) >= 4.5);
        }
        for (const char* name : {"inRangeReadings", "outOfRangeReadings"})
            QVERIFY(contrastRatio(chartSeries<QScatterSeries>(window, QLatin1String(name))->color(),
                                  palette.color(QPalette::Base)) >= 3.0);
        // The legend shows each named series by its whole name, none cut short.
        QStringList names;
        for (const QAbstractSeries* shown : chart->series())
            if (shown->isVisible() && !shown->name().isEmpty()) names << shown->name();
        QStringList legendTexts;
        std::function<void(const QGraphicsItem*)> collect = [&](const QGraphicsItem* item) {
            if (const auto* text = dynamic_cast<const QGraphicsTextItem*>(item); text && text->isVisible())
                legendTexts << text->toPlainText();
            for (const QGraphicsItem* child : item->childItems()) collect(child);
        };
        collect(chart->legend());
        names.sort();
        legendTexts.sort();
        QCOMPARE(legendTexts, names);
    }

    // The window opens where it was closed last, also in a later session.
    void windowOpensWhereItWasClosed()
    {
        RangeWindow& window = openWindow();
        window.setGeometry(window.geometry().translated(25, 35).adjusted(0, 0, 40, 30));
        const QRect closedAt = window.geometry();
        window.close();
        s.reset();
        s = std::make_unique<Session>();
        s->sim.plugSensor(0x0405);
        s->start();
        QCOMPARE(openWindow().geometry(), closedAt);
    }

    void init()
    {
        s = std::make_unique<Session>();
        sensor = s->sim.plugSensor(0x0405);
        s->start();
    }
    void cleanup() { s.reset(); }

    // The window, open from the start, is fed by the range view's own
    // readings: one range command and its answer per reading, nothing more.
    void readingsReachTheSeriesInOrderWithoutExtraExchanges()
    {
        RangeWindow& window = openWindow();
        startReadings();
        std::vector<RangeReading> expected;
        for (double inches : {30.0, 60.0, 31.0, 12.0}) {
            s->sim.sensor(sensor).setTargetInches(inches);
            nextReading();
            const sim::VirtualSensor& target = s->sim.sensor(sensor);
            expected.push_back({s->sim.nowMs(), static_cast<std::uint32_t>(inches), target.targetInRange(),
                                static_cast<std::uint8_t>(target.targetInRange() ? 0x01 : 0x00)});
        }
        QVERIFY(std::ranges::equal(series().readings(), expected));
        QCOMPARE(series().state(), RangeSeries::State::Live);
        QVERIFY(series().readings()[0].InRange);
        QVERIFY(!series().readings()[1].InRange);

        const auto& transcript = s->sim.transcript();
        QCOMPARE(transcript.size(), 2 * expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(transcript[2 * i].Dir, sim::Transfer::Set);
            QCOMPARE(int(transcript[2 * i].Bytes[1]), int(misctest::kRangeCommand));
            QCOMPARE(transcript[2 * i + 1].Dir, sim::Transfer::Get);
            QCOMPARE(transcript[2 * i + 1].TimeMs, expected[i].TimeMs);
        }

        QCOMPARE(pointCount(window, QStringLiteral("distancePath")), 4);
        QCOMPARE(pointCount(window, QStringLiteral("inRangeReadings")), 2);
        QCOMPARE(pointCount(window, QStringLiteral("outOfRangeReadings")), 2);
        QCOMPARE(labelText(window, QStringLiteral("distance")), QStringLiteral("12 in"));
        QCOMPARE(labelText(window, QStringLiteral("status")), QStringLiteral("Reading live."));
        QVERIFY(s->ui.messages().empty());
    }

    // Opened while readings run, the window shows those taken before.
    void windowShowsReadingsTakenBeforeItOpened()
    {
        s->sim.sensor(sensor).setTargetInches(30);
        startReadings();
        nextReading();
        nextReading();
        QVERIFY(!s->misc->rangePlot()->window());
        RangeWindow& window = openWindow();
        QCOMPARE(pointCount(window, QStringLiteral("distancePath")), 2);
        QCOMPARE(labelText(window, QStringLiteral("distance")), QStringLiteral("30 in"));
        QCOMPARE(labelText(window, QStringLiteral("inRange")), QStringLiteral("In range"));
    }

    void windowIsNotModalAndOpensOnce()
    {
        RangeWindow& window = openWindow();
        QVERIFY(window.isVisible());
        QVERIFY(window.isWindow());
        QVERIFY(!window.isModal());
        QCOMPARE(window.windowModality(), Qt::NonModal);
        QCOMPARE(window.windowTitle(), QStringLiteral("Range"));
        window.close();
        QCOMPARE(&openWindow(), &window);
        QVERIFY(window.isVisible());
        QCOMPARE(s->misc->findChildren<RangeWindow*>().size(), 1);
        QCOMPARE(labelText(window, QStringLiteral("status")),
                 QStringLiteral("Waiting for readings: check \"Auto GetRange\" on the Misc. page."));
        QVERIFY(s->sim.transcript().empty());
    }

    // Without a sensor the Sonar page shows no window, and none is drawn.
    void withoutSensorNoBandIsDrawn()
    {
        s.reset();
        s = std::make_unique<Session>();
        s->start();
        RangeWindow& window = openWindow();
        QCOMPARE(series().window(), DetectionWindow{});
        QVERIFY(!chartSeries<QAreaSeries>(window, QStringLiteral("detectionWindow"))->isVisible());
        QCOMPARE(labelText(window, QStringLiteral("distance")), QStringLiteral("-- in"));
    }

    // The band is what the Sonar page would store on Apply, as the user types,
    // while the model still holds the sensor's window.
    void bandFollowsTheSonarPagesPendingEdits()
    {
        const ConfigSet sensorCfg = s->model.EditCfg;
        const DetectionWindow sensorWindow{sensorCfg.Sonar[MinDistS], sensorCfg.Sonar[MaxDistS]};
        RangeWindow& window = openWindow();
        verifyBand(window, sensorWindow);

        typeIntoSonar(sonar::MinDist, QStringLiteral("20"));
        verifyBand(window, {20, sensorWindow.MaxInches});
        typeIntoSonar(sonar::MaxDist, QStringLiteral("48"));
        verifyBand(window, {20, 48});
        typeIntoSonar(sonar::MaxDist, QStringLiteral("90"));
        verifyBand(window, {20, 72});
        QCOMPARE(s->model.EditCfg, sensorCfg);
        QVERIFY(s->model.SonarChanged);

        // Refilled from the model, the page shows the sensor's window again.
        s->host.sendPageCommand(PageCommand::Refresh, 0);
        verifyBand(window, sensorWindow);
        QVERIFY(s->sim.transcript().empty());
    }

    void readingsStopWithTheirReason_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("trapped");
        QTest::newRow("failed reading") << "fail"
                                        << "Failed GetRange in onTimer" << true;
        QTest::newRow("sensor pulled") << "unplug"
                                       << "Failed GetRange in onTimer" << true;
        QTest::newRow("box cleared") << "clear"
                                     << "Auto GetRange was cleared" << false;
    }

    // The plot keeps what it drew, with the last distance shown, and says why
    // readings stopped; a trap also sounds the 1000 Hz tone for 1000 ms.
    void readingsStopWithTheirReason()
    {
        QFETCH(QString, how);
        QFETCH(QString, reason);
        QFETCH(bool, trapped);
        s->sim.sensor(sensor).setTargetInches(30);
        RangeWindow& window = openWindow();
        startReadings();
        nextReading();
        nextReading();

        if (how == QLatin1String("fail")) s->sim.failTransfer(1);
        if (how == QLatin1String("unplug")) s->sim.unplug(sensor);
        if (how == QLatin1String("clear")) {
            s->click(AutoGetRange);
        } else {
            nextReading();
        }

        QCOMPARE(series().state(), RangeSeries::State::Stopped);
        QCOMPARE(QString::fromStdString(series().stopReason()), reason);
        QCOMPARE(series().readings().size(), std::size_t{2});
        QCOMPARE(pointCount(window, QStringLiteral("distancePath")), 2);
        QCOMPARE(labelText(window, QStringLiteral("distance")), QStringLiteral("30 in"));
        QCOMPARE(labelText(window, QStringLiteral("status")),
                 QStringLiteral("Readings stopped: %1.\nThe plot keeps what was read.").arg(reason));
        if (trapped) {
            QCOMPARE(s->ui.messageTexts(), QStringList{"Failed GetRange in onTimer"});
            QCOMPARE(s->ui.messages()[0].Caption, QStringLiteral("Device Trap"));
            QCOMPARE(s->ui.tones().size(), std::size_t{1});
            QCOMPARE(s->ui.tones()[0].FrequencyHz, 1000);
            QCOMPARE(s->ui.tones()[0].DurationMs, 1000);
            QCOMPARE(s->ui.tones()[0].TimeMs, s->ui.messages()[0].TimeMs);
        } else {
            QVERIFY(s->ui.messages().empty());
            QVERIFY(s->ui.tones().empty());
        }
    }

    // Readings taken again after a stop make the plot live once more.
    void readingsResumeAfterAStop()
    {
        startReadings();
        nextReading();
        s->click(AutoGetRange);
        QCOMPARE(series().state(), RangeSeries::State::Stopped);
        s->click(AutoGetRange);
        nextReading();
        QCOMPARE(series().state(), RangeSeries::State::Live);
        QCOMPARE(series().readings().size(), std::size_t{2});
    }

    void spanPickerShowsTheLastMinuteOrMore()
    {
        RangeWindow& window = openWindow();
        startReadings();
        for (int i = 0; i < 13; ++i) {
            s->sim.sleepMs(10'000 - kPeriodMs);
            nextReading();
        }
        auto* span = window.findChild<QComboBox*>(QStringLiteral("span"));
        QCOMPARE(span->currentText(), QStringLiteral("Last minute"));
        QCOMPARE(span->accessibleName(), QStringLiteral("Show"));
        QCOMPARE(pointCount(window, QStringLiteral("distancePath")), 7);
        auto* axis = qobject_cast<QValueAxis*>(
            chartSeries<QXYSeries>(window, QStringLiteral("distancePath"))->attachedAxes().value(0));
        QCOMPARE(axis->min(), -60.0);
        QCOMPARE(axis->max(), 0.0);

        span->setCurrentIndex(span->findText(QStringLiteral("Last 15 minutes")));
        QCOMPARE(pointCount(window, QStringLiteral("distancePath")), 13);
        QCOMPARE(axis->min(), -900.0);
        QCOMPARE(series().readings().size(), std::size_t{13});
    }

    void saveAsCsv_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("message");
        QTest::newRow("chosen") << "readings.csv" << true << "";
        QTest::newRow("cancelled") << "" << false << "";
        QTest::newRow("folder missing")
            << "missing/readings.csv" << false << "Failed to save the readings to %1.";
    }

    void saveAsCsv()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, saved);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = fileName.isEmpty() ? QString() : QDir(dir.path()).filePath(fileName);
        s->sim.sensor(sensor).setTargetInches(30);
        RangeWindow& window = openWindow();
        startReadings();
        nextReading();
        nextReading();
        s->ui.queueFileAnswer(path);

        window.findChild<QPushButton*>(QStringLiteral("saveCsv"))->click();
        QCOMPARE(s->ui.fileChoosers(), std::vector<FileChooser>{FileChooser::Save});
        QCOMPARE(QFile::exists(path), saved);
        if (saved) {
            QFile file(path);
            // A text file: CR LF line ends on Windows.
            QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
            QCOMPARE(file.readAll().toStdString(), series().csv());
            QCOMPARE(series().csv(),
                     std::string("seconds,inches,in_range,flags\n0.000,30,1,01\n0.500,30,1,01\n"));
        }
        QCOMPARE(s->ui.messageTexts(), message.isEmpty() ? QStringList{} : QStringList{message.arg(path)});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), saved ? QStringList{fileName} : QStringList{});
    }
};

TOLVANE_REGISTER_TEST(RangePlotTest)
#include "RangePlotTest.moc"
