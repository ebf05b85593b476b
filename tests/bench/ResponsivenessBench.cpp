// Drives the sheet on a real-time virtual sensor through start-up, Apply of
// one Sonar change, Reset All, Save User Defaults, Get Range, Auto GetRange at
// 100 ms and a replug, and prints for each: the wall time, the waits the
// protocol mandates, and the longest time the event loop went without running
// (a heartbeat timer of its own); then start-up with 1 to 64 sensors, to every
// sensor read, and, once they are pulled out, as many plugged into the running
// sheet together, to every one of them read. Run with QT_QPA_PLATFORM=offscreen.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "RecordingUiServices.h"
#include "app/DeviceWatcher.h"
#include "app/PropSheet.h"
#include "app/ResponsiveWaitPlatform.h"
#include "app/SimDeviceSource.h"
#include "app/TolvaneApp.h"
#include "devlib/DevLib.h"
#include "pages/MiscControls.h"
#include "pages/MiscPage.h"
#include "pages/SNRPage.h"
#include "platform/sim/SimPlatform.h"
#include "resources/SonarControls.h"

namespace {

constexpr double kStallTargetMs = 50;
constexpr double kPaintTargetFactor = 1.2;
// One sensor read completely (eleven exchanges) and four pages at 100 ms.
constexpr double kFilledTargetMs = 1.02 * (2750 + 400);
constexpr int kAutoRangeRunMs = 3000;

// Counts the waits asked of the platform on their way to the installed one.
class WaitCounter : public platform::ForwardingPlatform {
public:
    using ForwardingPlatform::ForwardingPlatform;
    std::uint64_t takeWaitedMs() { return waitedMs_.exchange(0); }

    void sleepMs(std::uint32_t ms) override
    {
        waitedMs_ += ms;
        ForwardingPlatform::sleepMs(ms);
    }

private:
    std::atomic<std::uint64_t> waitedMs_ = 0;  // sensors read at once wait on threads of their own
};

// Ticks every millisecond whenever the event loop runs; the longest gap
// between two ticks is the longest the windows went without answering.
class Heartbeat {
public:
    Heartbeat()
    {
        clock_.start();
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start();
    }
    void restart()
    {
        longestMs_ = 0;
        lastMs_ = clock_.elapsed();
    }
    qint64 longestStallMs()
    {
        tick();
        return longestMs_;
    }

private:
    void tick()
    {
        const qint64 now = clock_.elapsed();
        longestMs_ = std::max(longestMs_, now - lastMs_);
        lastMs_ = now;
    }
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 lastMs_ = 0;
    qint64 longestMs_ = 0;
};

// Notes when a widget is painted the first time, on a given clock: the event
// loop that paints may run inside an operation that goes on long after.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget& widget, const QElapsedTimer& clock) : clock_(clock)
    {
        widget.installEventFilter(this);
    }
    bool painted() const { return paintedMs_ >= 0; }
    qint64 paintedMs() const { return paintedMs_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !painted()) paintedMs_ = clock_.elapsed();
        return false;
    }

private:
    const QElapsedTimer& clock_;
    qint64 paintedMs_ = -1;
};

void runEventLoopUntil(const std::function<bool()>& done)
{
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void runEventLoopFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    runEventLoopUntil([&] { return clock.elapsed() >= ms; });
}

struct Row {
    std::string Name;
    qint64 WallMs;
    std::uint64_t WaitsMs;
    qint64 StallMs;
    std::string Target;
    bool Met;
};

void printRows(const std::vector<Row>& rows)
{
    std::printf("| measure | wall ms | mandated waits ms | longest stall ms | target | met |\n");
    std::printf("|---|---:|---:|---:|---|---|\n");
    for (const Row& row : rows)
        std::printf("| %s | %lld | %llu | %lld | %s | %s |\n", row.Name.c_str(),
                    static_cast<long long>(row.WallMs), static_cast<unsigned long long>(row.WaitsMs),
                    static_cast<long long>(row.StallMs), row.Target.c_str(), row.Met ? "yes" : "no");
}

std::string stallTarget(qint64 stallMs, bool& met)
{
    met = stallMs <= kStallTargetMs;
    return "stall <= 50";
}

// The first paint of a bare dialog or of the sheet, in a program of its own:
// the time from launching it to its window painted.
// Reports the first paint at once: the event loop that paints the sheet may
// run inside its start-up, which goes on for seconds.
class PaintReporter : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Paint) return false;
        std::printf("painted\n");
        std::fflush(stdout);
        std::_Exit(0);
    }
};

int paintAndQuit(QWidget& window)
{
    PaintReporter reporter;
    window.installEventFilter(&reporter);
    window.show();
    return QApplication::exec();
}

int runBareDialog()
{
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("A bare dialog")));
    return paintAndQuit(dialog);
}

int runSheet(sim::SimPlatform& sim)
{
    ResponsiveWaitPlatform waits(sim);
    platform::install(&waits);
    sim.plugSensor(0x0405, 1);
    RecordingUiServices ui;
    DeviceWatcher watcher(followSimDevices(sim));
    CTolvaneApp app(ui, watcher);
    app.StartUp();
    return paintAndQuit(*app.Sheet());
}

bool everySensorRead(int count)
{
    bool everyRead = GetDevCount() == count;
    for (std::int16_t i = 0; i < GetDevCount(); ++i) everyRead = everyRead && DevRecord(i).Valid;
    return everyRead;
}

// Start-up with count sensors, to every sensor read, then, once they have
// been pulled out, count others plugged in together, to every one of them
// read: prints for each the wall and the longest stall in milliseconds and
// whether every sensor was read.
int runStartUp(sim::SimPlatform& sim, int count)
{
    ResponsiveWaitPlatform waits(sim);
    platform::install(&waits);
    std::vector<sim::DeviceId> atStartUp;
    for (int i = 0; i < count; ++i)
        atStartUp.push_back(sim.plugSensor(0x0405, static_cast<std::uint16_t>(i + 1)));
    RecordingUiServices ui;
    DeviceWatcher watcher(followSimDevices(sim));
    CTolvaneApp app(ui, watcher);
    Heartbeat heartbeat;
    QElapsedTimer clock;
    heartbeat.restart();
    clock.start();
    app.StartUp();
    app.Sheet()->show();
    runEventLoopUntil([&] { return app.Model.ConfigLoaded != 0 && ui.busyDepth() == 0; });
    std::printf("%lld %lld %d ", static_cast<long long>(clock.elapsed()),
                static_cast<long long>(heartbeat.longestStallMs()), everySensorRead(count) ? 1 : 0);
    std::fflush(stdout);

    for (const sim::DeviceId id : atStartUp) sim.unplug(id);
    runEventLoopUntil([&] { return GetDevCount() == 0 && ui.busyDepth() == 0; });
    heartbeat.restart();
    clock.restart();
    for (int i = 0; i < count; ++i) sim.plugSensor(0x0405, static_cast<std::uint16_t>(count + i + 1));
    runEventLoopUntil([&] { return GetDevCount() == count && ui.busyDepth() == 0; });
    std::printf("%lld %lld %d\n", static_cast<long long>(clock.elapsed()),
                static_cast<long long>(heartbeat.longestStallMs()), everySensorRead(count) ? 1 : 0);
    app.Sheet()->hide();
    sim.setDeviceListener({});
    app.ShutDown();
    platform::install(nullptr);
    return 0;
}

// A row of a sensor-count run: wall, stall and every-read fields from first
// on, with the ratio of the wall time to oneMs (the run with one sensor).
Row sensorCountRow(const char* what, int count, const QStringList& fields, qsizetype first, qint64& oneMs)
{
    const qint64 ms = fields.value(first).toLongLong();
    const qint64 stall = fields.value(first + 1).toLongLong();
    const bool everyRead = fields.value(first + 2) == QStringLiteral("1");
    if (count == 1) oneMs = ms;
    const double ratio = oneMs > 0 ? static_cast<double>(ms) / static_cast<double>(oneMs) : 0;
    const double target = count <= 16 ? 1.05 : 1.15;
    char name[112];
    std::snprintf(name, sizeof name, "%s, %d sensors (ratio to one %.2f)", what, count, ratio);
    char targetText[64];
    std::snprintf(targetText, sizeof targetText, "ratio <= %.2f and stall <= 50", target);
    return {name, ms, 0, stall, targetText, everyRead && ratio <= target && stall <= kStallTargetMs};
}

// Start-up with 1, 2, 4, 16 and 64 sensors and as many plugged in together
// after they were pulled out, each count in a program of its own, as rows with the ratio of
// each wall time to the one with one sensor.
void addStartUpRows(std::vector<Row>& rows)
{
    qint64 oneAtStartUpMs = 0;
    qint64 onePluggedInMs = 0;
    std::vector<Row> pluggedIn;
    for (const int count : {1, 2, 4, 16, 64}) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("startup"), QString::number(count)});
        child.waitForFinished(120000);
        const QStringList fields = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed().split(' ');
        rows.push_back(sensorCountRow("start-up to every sensor read", count, fields, 0, oneAtStartUpMs));
        pluggedIn.push_back(
            sensorCountRow("plugged in together, to every one read", count, fields, 3, onePluggedInMs));
    }
    rows.insert(rows.end(), pluggedIn.begin(), pluggedIn.end());
}

// Launches this program to paint one window; the median of a few launches.
qint64 launchToPaintedMs(const QString& what)
{
    std::vector<qint64> times;
    for (int run = 0; run < 5; ++run) {
        QProcess child;
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationFilePath(), {what});
        child.waitForReadyRead(10000);
        times.push_back(clock.elapsed());
        child.waitForFinished(10000);
    }
    std::ranges::sort(times);
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    sim::SimPlatform sim(/*realTime=*/true);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("bare"))) return runBareDialog();
    if (arguments.contains(QStringLiteral("sheet"))) return runSheet(sim);
    if (arguments.size() == 3 && arguments[1] == QStringLiteral("startup"))
        return runStartUp(sim, arguments[2].toInt());

    ResponsiveWaitPlatform waits(sim);
    WaitCounter counter(waits);
    platform::install(&counter);
    const sim::DeviceId sensor = sim.plugSensor(0x0405, 1);

    RecordingUiServices ui;
    DeviceWatcher watcher(followSimDevices(sim));
    CTolvaneApp app(ui, watcher);
    Heartbeat heartbeat;
    std::vector<Row> rows;
    QElapsedTimer clock;

    const qint64 bareMs = launchToPaintedMs(QStringLiteral("bare"));
    rows.push_back({"launch of a bare Qt dialog to painted", bareMs, 0, 0, "reference", true});
    const qint64 paintedMs = launchToPaintedMs(QStringLiteral("sheet"));
    rows.push_back({"launch to painted sheet", paintedMs, 0, 0, "<= 1.2 x bare dialog",
                    paintedMs <= kPaintTargetFactor * bareMs});

    // Start-up: to the painted sheet, then to the sheet filled from the sensor.
    heartbeat.restart();
    clock.start();
    app.StartUp();
    PropSheet& sheet = *app.Sheet();
    sheet.show();
    runEventLoopUntil([&] { return app.Model.ConfigLoaded != 0 && ui.busyDepth() == 0; });
    const qint64 filledMs = clock.elapsed();
    const std::uint64_t startUpWaits = counter.takeWaitedMs();
    const qint64 startUpStall = heartbeat.longestStallMs();
    const bool met = filledMs <= kFilledTargetMs && startUpStall <= kStallTargetMs;
    rows.push_back({"start-up to filled sheet, one sensor", filledMs, startUpWaits, startUpStall,
                    "<= 3213 and stall <= 50", met});

    // One operation started by a click, measured to its end.
    const auto measureClick = [&](const std::string& name, QAbstractButton* button) {
        runEventLoopFor(50);
        heartbeat.restart();
        counter.takeWaitedMs();
        clock.restart();
        button->click();
        const qint64 wallMs = clock.elapsed();
        const qint64 stallMs = heartbeat.longestStallMs();
        bool rowMet = false;
        const std::string target = stallTarget(stallMs, rowMet);
        rows.push_back({name, wallMs, counter.takeWaitedMs(), stallMs, target, rowMet});
    };
    const auto miscButton = [&](int id) { return qobject_cast<QAbstractButton*>(app.PageMisc->item(id)); };

    qobject_cast<QLineEdit*>(app.PageSonar->item(sonar::PingRate))->setText(QStringLiteral("600"));
    measureClick("Apply of one Sonar change", sheet.applyButton());
    ui.queueAnswer(Answer::Yes);  // Reset All asks first
    measureClick("Reset All", miscButton(misc::ResetAll));
    measureClick("Save User Defaults", miscButton(misc::SaveDefaults));
    measureClick("Get Range", miscButton(misc::GetRange));

    // Automatic readings at the shortest period, for a while.
    qobject_cast<QLineEdit*>(app.PageMisc->item(misc::RangeRate))->setText(QStringLiteral("100"));
    runEventLoopFor(50);
    heartbeat.restart();
    counter.takeWaitedMs();
    clock.restart();
    miscButton(misc::AutoGetRange)->click();
    runEventLoopFor(kAutoRangeRunMs);
    miscButton(misc::AutoGetRange)->click();
    const qint64 autoStall = heartbeat.longestStallMs();
    bool autoMet = false;
    const std::string autoTarget = stallTarget(autoStall, autoMet);
    rows.push_back({"Auto GetRange at 100 ms for 3 s", clock.elapsed(), counter.takeWaitedMs(), autoStall,
                    autoTarget, autoMet});

    // Pulled out and plugged in again: to the sheet filled from it again.
    runEventLoopFor(50);
    heartbeat.restart();
    counter.takeWaitedMs();
    clock.restart();
    sim.unplug(sensor);
    runEventLoopUntil([&] { return app.Model.ConfigLoaded == 0 && ui.busyDepth() == 0; });
    sim.plugSensor(0x0405, 1);
    runEventLoopUntil([&] { return app.Model.ConfigLoaded != 0 && ui.busyDepth() == 0; });
    const qint64 replugStall = heartbeat.longestStallMs();
    bool replugMet = false;
    const std::string replugTarget = stallTarget(replugStall, replugMet);
    rows.push_back({"replug to filled sheet", clock.elapsed(), counter.takeWaitedMs(), replugStall,
                    replugTarget, replugMet});

    addStartUpRows(rows);
    printRows(rows);
    std::printf("messages shown: %zu\n", ui.messages().size());
    sheet.hide();
    sim.setDeviceListener({});
    app.ShutDown();
    platform::install(nullptr);
    return 0;
}
