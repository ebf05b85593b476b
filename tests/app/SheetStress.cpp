// tolvane-sim as a user drives it where sensors' reads end together, run as
// a fresh process each time (the Windows stage runs it many times under
// Wine):
//
//   sheet_stress bench COUNT   once the start-up read is over, the Bench
//                              plugs COUNT sensors in; once every one is
//                              read and the windows have gone on for a few
//                              seconds, they are all pulled out
//   sheet_stress range         during the start-up read the Misc. tab is
//                              clicked, then its Range button; the Range
//                              window comes up once the read is over
//
// Then the sheet closes. Exit code 0 when every step happened, 1 when one did
// not within its time (it is named), 2 for a wrong command line; a crash is
// the program's own exit.

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "app/PropSheet.h"
#include "app/SensorChooser.h"
#include "app/SheetStatusLine.h"
#include "app/SimProgram.h"
#include "app/VirtualSensorsWindow.h"
#include "devlib/DevLib.h"
#include "pages/MiscControls.h"
#include "pages/PropertyPage.h"

namespace {

constexpr int kLookMs = 50;
constexpr int kStepLimitMs = 120000;
// What a user does next takes this long; the program goes on meanwhile.
constexpr qint64 kSettleMs = 3000;

// Steps that each wait for their condition, then act; one look every 50 ms.
class Steps : public QObject {
public:
    struct Step {
        const char* What;
        std::function<bool()> Ready;
        std::function<void()> Act;
    };

    explicit Steps(PropSheet& sheet) : QObject(&sheet), sheet_(sheet)
    {
        connect(&timer_, &QTimer::timeout, this, &Steps::look);
        timer_.start(kLookMs);
    }

    void add(const char* what, std::function<bool()> ready, std::function<void()> act)
    {
        steps_.push_back({what, std::move(ready), std::move(act)});
    }
    bool failed() const { return failed_; }

private:
    void look()
    {
        waitedMs_ += kLookMs;
        if (steps_.empty()) return;
        if (steps_.front().Ready()) {
            std::printf("done: %s\n", steps_.front().What);
            std::fflush(stdout);
            const std::function<void()> act = steps_.front().Act;
            steps_.pop_front();
            waitedMs_ = 0;
            act();
        } else if (waitedMs_ > kStepLimitMs) {
            std::printf("not within %d ms: %s\n", kStepLimitMs, steps_.front().What);
            failed_ = true;
            steps_.clear();
            sheet_.done(0);
        }
    }

    PropSheet& sheet_;
    QTimer timer_;
    std::deque<Step> steps_;
    int waitedMs_ = 0;
    bool failed_ = false;
};

bool readyWith(const PropSheet& sheet, int sensors)
{
    return sheet.statusLine()->activityText() == QStringLiteral("Ready") &&
           sheet.sensorChooser()->list()->count() == sensors;
}

void clickTab(PropSheet& sheet, int index)
{
    QTabBar* bar = sheet.tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

// A click as the user's hand makes it: the press and release go through
// the window system's input, as the pointer's move onto the button does.
void clickButton(VirtualSensorsWindow& sensors, const char* name)
{
    auto* button = sensors.findChild<QPushButton*>(QString::fromLatin1(name));
    QTest::mouseMove(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

void benchCycle(Steps& steps, PropSheet& sheet, VirtualSensorsWindow& sensors, int count)
{
    steps.add(
        "start-up read", [&sheet] { return readyWith(sheet, 1); },
        [&sensors, count] {
            sensors.findChild<QSpinBox*>(QStringLiteral("benchCount"))->setValue(count);
            clickButton(sensors, "plugBench");
        });
    const auto settled = std::make_shared<QElapsedTimer>();
    // The library's table holds kMaxDevices sensors: beside the first, a
    // Bench of 64 leaves one unopened.
    const int listed = std::min(count + 1, kMaxDevices);
    steps.add(
        "bench plugged in and read", [&sheet, listed] { return readyWith(sheet, listed); },
        [settled] { settled->start(); });
    steps.add(
        "a user's pause", [settled] { return settled->elapsed() >= kSettleMs; },
        [&sensors] { clickButton(sensors, "unplugBench"); });
    steps.add(
        "bench pulled out", [&sheet] { return readyWith(sheet, 1); }, [&sheet] { sheet.done(0); });
}

// The Misc. tab is clicked as the sheet starts, so the click reaches it as
// a user's would: held while the read runs, or taken at once before it.
void rangeDuringStartUp(Steps& steps, PropSheet& sheet)
{
    const int misc = sheet.pageCount() - 1;
    steps.add(
        "sheet shown", [&sheet] { return sheet.isVisible(); }, [&sheet, misc] { clickTab(sheet, misc); });
    steps.add(
        "Misc. page shown", [&sheet, misc] { return readyWith(sheet, 1) && sheet.activePageIndex() == misc; },
        [&sheet, misc] {
            auto* range = qobject_cast<QPushButton*>(sheet.page(misc)->item(misc::RangeWindowButton));
            QTest::mouseClick(range, Qt::LeftButton);
        });
    steps.add(
        "Range window up",
        [] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->isVisible() && window->windowTitle() == QStringLiteral("Range")) return true;
            return false;
        },
        [&sheet] { sheet.done(0); });
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    const int count = argc > 2 ? std::atoi(argv[2]) : 0;
    if (!(mode == "range" || (mode == "bench" && count > 0))) {
        std::fputs("usage: sheet_stress bench COUNT | sheet_stress range\n", stderr);
        return 2;
    }
    bool failed = false;
    const int exitCode = RunTolvaneSim([&](PropSheet& sheet, VirtualSensorsWindow& sensors) {
        auto* steps = new Steps(sheet);
        QObject::connect(&sheet, &QDialog::finished, steps, [steps, &failed] { failed = steps->failed(); });
        if (mode == "bench")
            benchCycle(*steps, sheet, sensors, count);
        else
            rangeDuringStartUp(*steps, sheet);
    });
    return failed ? 1 : exitCode;
}
