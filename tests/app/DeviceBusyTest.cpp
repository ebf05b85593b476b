// One device operation at a time while the waits run the event loop: what
// arrives during an operation (device changes, range ticks, clicks) runs after
// it, in order; the sheet says what it is doing; start-up reads each sensor once.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <map>

#include "AppTestSupport.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/SheetStatusLine.h"
#include "app/TolvaneApp.h"
#include "pages/MiscControls.h"
#include "pages/MiscPage.h"
#include "pages/SNRPage.h"
#include "pages/WAPage.h"
#include "resources/KeySetControls.h"
#include "resources/SonarControls.h"

namespace {

constexpr std::uint8_t kRangeCommand = 0x8F;
constexpr std::uint32_t kPageWriteWaitMs = 1000;
// Eleven exchanges of 250 ms each.
constexpr std::uint32_t kFullReadMs = 2750;

struct BusyApp : SimFixture {
    BusyApp() : Watcher(followSimDevices(Sim)), App(Ui, Watcher) {}

    void start()
    {
        QVERIFY(App.StartUp());
        showAndStart(*App.Sheet());
        Sim.clearTranscript();
        Ui.clearRecords();
    }

    PropSheet& sheet() const { return *App.Sheet(); }
    QString activity() const { return App.Sheet()->statusLine()->activityText(); }

    void changeThePingRate() const
    {
        qobject_cast<QLineEdit*>(App.PageSonar->item(sonar::PingRate))->setText(QStringLiteral("600"));
    }
    void clickMisc(int id) const { qobject_cast<QAbstractButton*>(App.PageMisc->item(id))->click(); }
    void fireRangeTimer() const
    {
        QMetaObject::invokeMethod(App.PageMisc->findChild<QTimer*>(QStringLiteral("rangeTimer")), "timeout");
    }

    // Runs action once, at the start of the first wait that lasts ms.
    void duringFirstWaitOf(std::uint32_t ms, std::function<void()> action)
    {
        Sim.DuringWait = [ms, action = std::move(action)](std::uint32_t wait) mutable {
            if (wait != ms || !action) return;
            const auto run = std::move(action);
            action = nullptr;
            run();
        };
    }

    // Transfers per device path, in the order of the transcript.
    std::vector<std::string> pathsInOrder() const
    {
        std::vector<std::string> paths;
        for (const sim::Transfer& transfer : Sim.transcript()) paths.push_back(transfer.Path);
        return paths;
    }
    bool sentCommand(std::uint8_t code) const
    {
        for (const auto& command : commandsSent())
            if (command.Code == code) return true;
        return false;
    }
    // The transfers and virtual time of one complete read of the library's slot.
    std::pair<std::size_t, std::uint64_t> oneReadOfSlot(std::int16_t slot)
    {
        Sim.clearTranscript();
        SelectDev(slot);
        const std::uint64_t start = Sim.nowMs();
        ReadDevConfig();
        SelectDev(0);
        return {Sim.transcript().size(), Sim.nowMs() - start};
    }

    DeviceWatcher Watcher;
    CTolvaneApp App;
};

}  // namespace

class DeviceBusyTest : public QObject {
    Q_OBJECT
private slots:
    void startUpReadsEachSensorOnce()
    {
        BusyApp f;
        const sim::DeviceId first = f.Sim.plugSensor(0x0405, 1);
        const sim::DeviceId second = f.Sim.plugSensor(0x0143, 2);
        QVERIFY(f.App.StartUp());
        const std::uint64_t start = f.Sim.nowMs();
        f.showAndStart(f.sheet());
        const std::uint64_t startUpMs = f.Sim.nowMs() - start;
        std::map<std::string, std::size_t> transfersPerPath;
        for (const sim::Transfer& transfer : f.Sim.transcript()) ++transfersPerPath[transfer.Path];

        QCOMPARE(f.App.Model.ConfigLoaded, 1u);
        QCOMPARE(f.App.Model.EditLuid, std::uint16_t{1});
        QCOMPARE(f.sheet().windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 4.05"));
        const auto [firstRead, firstReadMs] = f.oneReadOfSlot(0);
        const auto [secondRead, secondReadMs] = f.oneReadOfSlot(1);
        QCOMPARE(transfersPerPath.size(), std::size_t{2});
        QCOMPARE(transfersPerPath[f.Sim.pathOf(first)], firstRead);
        QCOMPARE(transfersPerPath[f.Sim.pathOf(second)], secondRead);
        // The two reads at once, so the longer of them, and the four pages' 100 ms, nothing more.
        QCOMPARE(startUpMs, std::max(firstReadMs, secondReadMs) + 4 * PropSheet::kPageActivationPauseMs);
    }

    // The arrival comes after the removal; handled the other way round, the
    // arrival would re-read the sensor that is gone.
    void deviceChangesAndARangeTickDuringAWriteWaitForItAndRunInOrder()
    {
        BusyApp f;
        const sim::DeviceId first = f.Sim.plugSensor(0x0405, 1);
        f.start();
        f.changeThePingRate();
        sim::DeviceId second = 0;
        QString wordsDuringTheWait;
        f.duringFirstWaitOf(kPageWriteWaitMs, [&] {
            wordsDuringTheWait = f.activity();
            f.Sim.unplug(first);
            second = f.Sim.plugSensor(0x0143, 2);
            f.fireRangeTimer();
        });

        f.sheet().applyButton()->click();

        QCOMPARE(wordsDuringTheWait, QStringLiteral("Writing the Sonar settings…"));
        QCOMPARE(f.Sim.DeviceAccessDuringWaits, 0);
        const std::vector<std::string> paths = f.pathsInOrder();
        const auto firstOfSecond = std::ranges::find(paths, f.Sim.pathOf(second));
        QVERIFY(firstOfSecond != paths.begin() && firstOfSecond != paths.end());
        QVERIFY(std::all_of(paths.begin(), firstOfSecond,
                            [&](const std::string& path) { return path == f.Sim.pathOf(first); }));
        QVERIFY(std::all_of(firstOfSecond, paths.end(),
                            [&](const std::string& path) { return path == f.Sim.pathOf(second); }));
        QVERIFY(std::all_of(f.Sim.transcript().begin(), f.Sim.transcript().end(),
                            [](const sim::Transfer& transfer) { return transfer.Ok; }));
        // The tick inside the write was skipped, not kept.
        QVERIFY(!f.sentCommand(kRangeCommand));
        QCOMPARE(f.App.Model.EditLuid, std::uint16_t{2});
        QCOMPARE(f.sheet().windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 1.43"));
        QCOMPARE(f.activity(), QStringLiteral("Ready"));
        QCOMPARE(f.Ui.busyDepth(), 0);
    }

    // A click during a wait is not lost: it runs once the operation is over,
    // after the sensor has been read back.
    void aClickDuringAWaitRunsAfterTheOperation()
    {
        BusyApp f;
        f.Sim.plugSensor(0x0405, 1);
        f.start();
        f.changeThePingRate();
        std::uint64_t clickedAt = 0;
        f.duringFirstWaitOf(kPageWriteWaitMs, [&] {
            clickedAt = f.Sim.nowMs();
            f.clickMisc(misc::GetRange);
        });

        f.sheet().applyButton()->click();

        QCOMPARE(f.Sim.DeviceAccessDuringWaits, 0);
        const auto commands = f.commandsSent();
        QVERIFY(commands.size() >= 2);
        QCOMPARE(commands.back().Code, kRangeCommand);
        QCOMPARE(commands.back().TimeMs, clickedAt + kPageWriteWaitMs + kFullReadMs);
        QVERIFY(!f.App.PageSonar->isModified());
    }

    void cancelDuringAWaitClosesTheSheetAfterTheOperation()
    {
        BusyApp f;
        f.Sim.plugSensor(0x0405, 1);
        f.start();
        f.changeThePingRate();
        bool visibleAfterTheClick = false;
        f.duringFirstWaitOf(kPageWriteWaitMs, [&] {
            f.sheet().cancelButton()->click();
            visibleAfterTheClick = f.sheet().isVisible();
        });

        f.sheet().applyButton()->click();

        QVERIFY(visibleAfterTheClick);
        QVERIFY(!f.sheet().isVisible());
        QCOMPARE(f.sheet().result(), int(QDialog::Rejected));
        QVERIFY(!f.App.PageSonar->isModified());
        QCOMPARE(f.Sim.DeviceAccessDuringWaits, 0);
    }

    void theSheetSaysWhatItDoes_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<std::uint32_t>("waitMs");
        QTest::addColumn<QString>("words");
        QTest::newRow("Apply, Sonar") << "sonar" << 250u << "Writing the Sonar settings…";
        QTest::newRow("Apply, Walk-Away") << "walk-away" << 250u << "Writing the Walk-Away settings…";
        QTest::newRow("Reset All") << "reset" << 2000u << "Resetting the sensor to factory defaults…";
        QTest::newRow("Save User Defaults") << "save" << 2000u << "Saving the user defaults…";
        QTest::newRow("Restore User Defaults") << "restore" << 2000u << "Restoring the user defaults…";
        QTest::newRow("Get Range") << "range" << 250u << "Reading the range…";
        QTest::newRow("Halt Key Sends") << "halt" << 2000u << "Halting key sends…";
        QTest::newRow("sensor plugged back in") << "plug" << 250u << "Reading the sensor…";
    }

    void theSheetSaysWhatItDoes()
    {
        QFETCH(QString, operation);
        QFETCH(std::uint32_t, waitMs);
        QFETCH(QString, words);
        BusyApp f;
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405, 1);
        f.start();
        QCOMPARE(f.activity(), QStringLiteral("Ready"));
        if (operation == "plug") {
            f.Sim.unplug(sensor);
            f.deliverDeviceEvents();
        }
        QString said;
        int busyDepth = 0;
        f.duringFirstWaitOf(waitMs, [&] {
            said = f.activity();
            busyDepth = f.Ui.busyDepth();
        });

        if (operation == "sonar") {
            f.changeThePingRate();
            f.sheet().applyButton()->click();
        } else if (operation == "walk-away") {
            qobject_cast<QAbstractButton*>(f.App.PageWalkAway->item(res::kWalkAwayKeySets[0].Modifiers[0]))
                ->click();
            f.sheet().applyButton()->click();
        } else if (operation == "reset") {
            f.Ui.queueAnswer(Answer::Yes);
            f.clickMisc(misc::ResetAll);
        } else if (operation == "save") {
            f.clickMisc(misc::SaveDefaults);
        } else if (operation == "restore") {
            f.clickMisc(misc::RestoreDefaults);
        } else if (operation == "range") {
            f.clickMisc(misc::GetRange);
        } else if (operation == "halt") {
            f.sheet().haltKeySendsBox()->click();
        } else if (operation == "plug") {
            f.Sim.replug(sensor);
            f.deliverDeviceEvents();
        }

        QCOMPARE(said, words);
        QVERIFY(busyDepth > 0);
        QCOMPARE(f.activity(), QStringLiteral("Ready"));
        QCOMPARE(f.Ui.busyDepth(), 0);
        QVERIFY(f.Ui.messages().empty());
    }

    void startUpSaysItReadsTheSensor()
    {
        BusyApp f;
        f.Sim.plugSensor(0x0405, 1);
        QString said;
        f.duringFirstWaitOf(250, [&] { said = f.activity(); });
        QVERIFY(f.App.StartUp());
        f.sheet().show();
        // On the screen before the sensor is read, already saying so.
        QVERIFY(f.sheet().isVisible());
        QCOMPARE(f.App.Model.ConfigLoaded, 0u);
        QCOMPARE(f.activity(), QStringLiteral("Reading the sensor…"));
        QCOMPARE(f.Ui.busyDepth(), 1);
        QVERIFY(f.Sim.transcript().empty());

        f.deliverDeviceEvents();
        QCOMPARE(said, QStringLiteral("Reading the sensor…"));
        QCOMPARE(f.App.Model.ConfigLoaded, 1u);
        QCOMPARE(f.activity(), QStringLiteral("Ready"));
        QCOMPARE(f.Ui.busyDepth(), 0);
    }
};

TOLVANE_REGISTER_TEST(DeviceBusyTest)
#include "DeviceBusyTest.moc"
