// The Virtual Sensors window of tolvane-sim drives the sim, and the sheet
// follows what it plugs and unplugs.

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "AppTestSupport.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/ResponsiveWaitPlatform.h"
#include "app/SheetStatusLine.h"
#include "app/TolvaneApp.h"
#include "app/VirtualSensorsWindow.h"
#include "app/WindowPlacement.h"
#include "pages/MiscControls.h"
#include "pages/MiscPage.h"
#include "pages/SNRPage.h"
#include "resources/SonarControls.h"

namespace {

// About as openbox frames them at 96 dpi: the sheet with its status line, and
// the Virtual Sensors window at its preferred and at its smallest size.
const QSize kSheetFrame(1217, 400);
const QSize kSensorsPreferred(585, 468);
const QSize kSensorsMinimum(585, 330);
constexpr int kTitleBar = 20;

// The sim behind the programs' waits: during a wait only the windows that take
// input then get it; the rest is held until the wait is over.
class GatedEventLoopSim : public EventLoopSim {
public:
    void sleepMs(std::uint32_t ms) override
    {
        WaitInputGate gate;
        EventLoopSim::sleepMs(ms);
    }
};

struct GatedFixture {
    GatedFixture()
    {
        platform::install(&Sim);
        ResetLibState();
    }
    ~GatedFixture()
    {
        CloseAllDevices();
        Sim.setDeviceListener({});
    }
    GatedEventLoopSim Sim;
    RecordingUiServices Ui;
};

// The sheet started beside the Virtual Sensors window, on its sim.
struct SheetBesideWindow : SimFixture {
    SheetBesideWindow() : Window(Sim), Watcher(followSimDevices(Sim)), App(Ui, Watcher) {}

    void start()
    {
        QVERIFY(App.StartUp());
        showAndStart(*App.Sheet());
    }

    VirtualSensorsWindow Window;
    DeviceWatcher Watcher;
    CTolvaneApp App;
};

}  // namespace

class VirtualSensorsWindowTest : public QObject {
    Q_OBJECT
private slots:
    // Frames as a window manager draws them: the sheet with its status line,
    // and the Virtual Sensors window at its preferred and smallest sizes.
    void placementOnScreensOfEverySize_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<bool>("sideBySide");
        QTest::newRow("1280x800") << QSize(1280, 800) << false;
        QTest::newRow("1366x768") << QSize(1366, 768) << false;
        QTest::newRow("1920x1080") << QSize(1920, 1080) << true;
        QTest::newRow("2560x1440") << QSize(2560, 1440) << true;
    }

    void placementOnScreensOfEverySize()
    {
        QFETCH(QSize, screen);
        QFETCH(bool, sideBySide);
        const QRect available(QPoint(0, 0), screen);
        const SensorsWindowSizes sensors{kSensorsPreferred, kSensorsMinimum, kTitleBar};
        const WindowFrames frames = placeSheetAndSensors(available, kSheetFrame, sensors);

        QVERIFY(available.contains(frames.Sheet));
        QVERIFY(available.contains(frames.Sensors));
        QCOMPARE(frames.Sheet.size(), kSheetFrame);
        QVERIFY(!frames.Sheet.intersects(frames.Sensors));
        QCOMPARE(frames.Sensors.left() > frames.Sheet.right(), sideBySide);
        QCOMPARE(frames.Sensors.top() > frames.Sheet.bottom(), !sideBySide);
        QVERIFY(frames.Sensors.width() >= kSensorsMinimum.width());
        QVERIFY(frames.Sensors.height() >= kSensorsMinimum.height());
    }

    // Too small for both: the sheet stays whole and on the screen; the other
    // window keeps its title bar in view.
    void sheetTakesPrecedenceOnSmallScreens_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1024x600") << QSize(1024, 600);
        QTest::newRow("800x600") << QSize(800, 600);
        QTest::newRow("640x480") << QSize(640, 480);
    }

    void sheetTakesPrecedenceOnSmallScreens()
    {
        QFETCH(QSize, screen);
        const QRect available(QPoint(0, 0), screen);
        const SensorsWindowSizes sensors{kSensorsPreferred, kSensorsMinimum, kTitleBar};
        const WindowFrames frames = placeSheetAndSensors(available, kSheetFrame, sensors);

        QCOMPARE(frames.Sheet.topLeft(), available.topLeft());
        QCOMPARE(frames.Sheet.size(), kSheetFrame);
        QVERIFY(frames.Sensors.top() >= available.top());
        QVERIFY(frames.Sensors.top() + kTitleBar <= available.bottom() + 1);
        QVERIFY(frames.Sensors.left() >= available.left());
        QVERIFY(frames.Sensors.height() >= kSensorsMinimum.height());
    }

    // The windows themselves go where the placement says, and the sheet stays in front.
    void placesBothWindowsOnTheScreen()
    {
        SimFixture f;
        VirtualSensorsWindow window(f.Sim);
        QWidget sheet;
        sheet.resize(300, 200);
        sheet.show();
        window.show();
        window.placeWithSheetOnceFramed(sheet);
        const QRect screen = sheet.screen()->availableGeometry();
        QVERIFY(screen.contains(sheet.frameGeometry()));
        QVERIFY(screen.contains(window.frameGeometry()));
        QVERIFY(!sheet.frameGeometry().intersects(window.frameGeometry()));
    }

    void closedWindowComesBack()
    {
        SimFixture f;
        VirtualSensorsWindow window(f.Sim);
        window.show();
        window.close();
        QVERIFY(!window.isVisible());
        window.bringBack();
        QVERIFY(window.isVisible());
        window.showMinimized();
        window.bringBack();
        QVERIFY(!window.isMinimized());
    }

    // Unplug and Plug in bring the same sensor back with what was applied to
    // it; "New sensor" puts a factory-fresh one in its place.
    void replugKeepsTheSensorsMemory()
    {
        SheetBesideWindow f;
        VirtualSensorsWindow& window = f.Window;
        CTolvaneApp& app = f.App;
        window.plugSensor(0);
        f.start();
        PropSheet& sheet = *app.Sheet();
        const auto pingRateShown = [&app] {
            return qobject_cast<QLineEdit*>(app.PageSonar->item(sonar::PingRate))->text();
        };
        QCOMPARE(pingRateShown(), QStringLiteral("500"));

        sheet.tabs()->setCurrentIndex(2);
        auto* pingRate = qobject_cast<QLineEdit*>(app.PageSonar->item(sonar::PingRate));
        pingRate->setEnabled(true);
        pingRate->setText(QStringLiteral("800"));
        sheet.applyButton()->click();
        const sim::DeviceId first = *window.sensorOf(0);
        QCOMPARE(f.Sim.sensor(first).Config[sim::HalfId::Sonar][1], 200);  // 800 ms in 4 ms steps

        auto* plug = window.findChild<QPushButton*>(QStringLiteral("plugSensor1"));
        plug->click();
        f.deliverDeviceEvents();
        QCOMPARE(sheet.windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 0.00"));
        QCOMPARE(plug->text(), QStringLiteral("Plug in"));
        plug->click();
        f.deliverDeviceEvents();
        QCOMPARE(*window.sensorOf(0), first);
        QCOMPARE(pingRateShown(), QStringLiteral("800"));

        window.findChild<QPushButton*>(QStringLiteral("newSensor1"))->click();
        f.deliverDeviceEvents();
        QVERIFY(*window.sensorOf(0) != first);
        QCOMPARE(f.Sim.pluggedDevices(), std::vector<sim::DeviceId>{*window.sensorOf(0)});
        QCOMPARE(pingRateShown(), QStringLiteral("500"));
        QCOMPARE(plug->text(), QStringLiteral("Unplug"));
        QVERIFY(f.Ui.messages().empty());
    }

    void plugsSetsAndListsWhatTheSheetSees()
    {
        SheetBesideWindow f;
        VirtualSensorsWindow& window = f.Window;
        CTolvaneApp& app = f.App;
        f.start();
        PropSheet& sheet = *app.Sheet();
        window.show();

        auto* firmware = window.findChild<QLineEdit*>(QStringLiteral("firmware2"));
        firmware->setText(QStringLiteral("1.43"));
        window.findChild<QSpinBox*>(QStringLiteral("target2"))->setValue(40);
        window.findChild<QCheckBox*>(QStringLiteral("extensionSets2"))->setChecked(false);
        window.findChild<QPushButton*>(QStringLiteral("plugSensor2"))->click();
        f.deliverDeviceEvents();

        QCOMPARE(sheet.windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 1.43"));
        const std::vector<sim::DeviceId> devices = f.Sim.pluggedDevices();
        QCOMPARE(devices.size(), std::size_t{1});
        const sim::VirtualSensor& sensor = f.Sim.sensor(devices.front());
        QCOMPARE(sensor.FwVersion, std::uint16_t{0x0143});
        QCOMPARE(sensor.TargetRaw, std::uint8_t{139});  // 40 inches
        QVERIFY(!sensor.ExtensionSetsSupported);

        // Every report of the read is listed, in order, once the reading
        // thread's reports have reached the window.
        QCoreApplication::processEvents();
        const QStringList lines = window.findChild<QPlainTextEdit*>(QStringLiteral("reports"))
                                      ->toPlainText()
                                      .split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), static_cast<qsizetype>(f.Sim.transcript().size()));
        QCOMPARE(lines.front(), VirtualSensorsWindow::formatTransfer(f.Sim.transcript().front()));

        window.findChild<QPushButton*>(QStringLiteral("plugKeyboard"))->click();
        QCOMPARE(f.Sim.pluggedDevices().size(), std::size_t{2});
        window.findChild<QPushButton*>(QStringLiteral("plugSensor2"))->click();
        f.deliverDeviceEvents();
        QCOMPARE(sheet.windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 0.00"));
        QVERIFY(f.Ui.messages().empty());
    }

    // The bench plugs many sensors in at once and pulls them all out again;
    // the sheet has every one of them in its table and lets them go.
    void benchPlugsManySensorsAtOnce()
    {
        SheetBesideWindow f;
        VirtualSensorsWindow& window = f.Window;
        CTolvaneApp& app = f.App;
        f.start();
        window.show();

        window.findChild<QSpinBox*>(QStringLiteral("benchCount"))->setValue(5);
        window.findChild<QPushButton*>(QStringLiteral("plugBench"))->click();
        f.deliverDeviceEvents();

        QCOMPARE(f.Sim.pluggedDevices().size(), std::size_t{5});
        QCOMPARE(window.benchSize(), std::size_t{5});
        QCOMPARE(GetDevCount(), std::int16_t{5});
        QCOMPARE(app.Model.ConfigLoaded, 1u);

        window.findChild<QPushButton*>(QStringLiteral("unplugBench"))->click();
        f.deliverDeviceEvents();
        QVERIFY(f.Sim.pluggedDevices().empty());
        QCOMPARE(GetDevCount(), std::int16_t{0});
        QVERIFY(f.Ui.messages().empty());
    }

    // Every row has the same buttons and fields: a screen reader hears each
    // named after its box, also once a button's text changed.
    void everyControlHasANameOfItsOwn()
    {
        SimFixture f;
        VirtualSensorsWindow window(f.Sim);
        window.show();
        window.findChild<QPushButton*>(QStringLiteral("plugSensor2"))->click();
        QStringList names;
        for (QWidget* control : window.findChildren<QWidget*>()) {
            // Qt's own parts of a control ("qt_spinbox_lineedit") speak as that control.
            if (control->objectName().startsWith(QLatin1String("qt_"))) continue;
            if (!(control->focusPolicy() & Qt::TabFocus) || !control->isVisibleTo(&window)) continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            const QString name = accessible->text(QAccessible::Name);
            QVERIFY2(!name.isEmpty(), qPrintable(control->objectName()));
            QVERIFY2(!names.contains(name), qPrintable(name));
            names << name;
        }
        QVERIFY(names.contains(QStringLiteral("Sensor 1: Plug in")));
        QVERIFY(names.contains(QStringLiteral("Sensor 2: Unplug")));
        QVERIFY(names.contains(QStringLiteral("Sensor 2: Firmware")));
    }

    // A firmware that is no version ("4.5": the minor takes two digits)
    // plugs nothing in and changes no sensor, and the row says why for as
    // long as the field holds it.
    void firmwareThatIsNoVersionIsRefusedAndSaid()
    {
        SimFixture f;
        VirtualSensorsWindow window(f.Sim);
        window.show();
        auto* firmware = window.findChild<QLineEdit*>(QStringLiteral("firmware1"));
        auto* state = window.findChild<QLabel*>(QStringLiteral("state1"));
        auto* plug = window.findChild<QPushButton*>(QStringLiteral("plugSensor1"));
        const auto refusal = [](const char* text) {
            return QStringLiteral("Not a firmware version: %1 (MAJOR.MINOR, e.g. 4.05)")
                .arg(QLatin1String(text));
        };

        firmware->setText(QStringLiteral("4.5"));
        plug->click();
        QVERIFY(!window.sensorOf(0));
        QVERIFY(f.Sim.pluggedDevices().empty());
        QCOMPARE(state->text(), QStringLiteral("Not plugged in\n") + refusal("4.5"));

        firmware->setText(QStringLiteral("4.05"));
        plug->click();
        QVERIFY(window.sensorOf(0));
        const sim::DeviceId sensor = *window.sensorOf(0);
        QCOMPARE(f.Sim.sensor(sensor).FwVersion, std::uint16_t{0x0405});
        QVERIFY(!state->text().contains(QLatin1String("Not a firmware version")));

        firmware->setText(QStringLiteral("1.4"));
        QTest::keyClick(firmware, Qt::Key_Return);
        QCOMPARE(f.Sim.sensor(sensor).FwVersion, std::uint16_t{0x0405});
        QVERIFY(state->text().contains(QLatin1String("firmware 4.05")));
        QVERIFY(state->text().endsWith(refusal("1.4")));
        window.findChild<QPushButton*>(QStringLiteral("newSensor1"))->click();
        QCOMPARE(f.Sim.pluggedDevices(), std::vector<sim::DeviceId>{sensor});
        QCOMPARE(*window.sensorOf(0), sensor);

        firmware->setText(QStringLiteral("1.43"));
        QTest::keyClick(firmware, Qt::Key_Return);
        QCOMPARE(f.Sim.sensor(sensor).FwVersion, std::uint16_t{0x0143});
        QVERIFY(state->text().contains(QLatin1String("firmware 1.43")));
        QVERIFY(!state->text().contains(QLatin1String("Not a firmware version")));
    }

    // Unplug clicked while Reset All waits for the sensor takes the sensor
    // out at once: the reset's read fails right after that wait and the sheet
    // says so, then shows that no sensor is connected. A key pressed on the
    // sheet meanwhile waits for the end of the wait.
    void unplugDuringResetAllIsSeenAtOnce()
    {
        GatedFixture f;
        VirtualSensorsWindow window(f.Sim);
        DeviceWatcher watcher(followSimDevices(f.Sim));
        CTolvaneApp app(f.Ui, watcher);
        window.plugSensor(0);
        window.show();
        QVERIFY(app.StartUp());
        PropSheet& sheet = *app.Sheet();
        SimFixture::showAndStart(sheet);
        sheet.tabs()->setCurrentIndex(3);
        auto* plug = window.findChild<QPushButton*>(QStringLiteral("plugSensor1"));
        std::uint64_t clickedAt = 0;
        bool unpluggedDuringTheWait = false;
        bool keyHeldDuringTheWait = false;
        f.Sim.DuringWait = [&](std::uint32_t ms) {
            if (ms != 2000 || clickedAt != 0) return;
            clickedAt = f.Sim.nowMs();
            QTest::mouseClick(plug, Qt::LeftButton);
            unpluggedDuringTheWait = f.Sim.pluggedDevices().empty();
            QTest::keyClick(sheet.tabs()->tabBar(), Qt::Key_Left);
            keyHeldDuringTheWait = sheet.tabs()->currentIndex() == 3;
        };
        f.Ui.queueAnswer(Answer::Yes);

        qobject_cast<QAbstractButton*>(app.PageMisc->item(misc::ResetAll))->click();
        f.Sim.DuringWait = {};
        QCoreApplication::processEvents();

        QVERIFY(clickedAt != 0);
        QVERIFY(unpluggedDuringTheWait);
        QVERIFY(keyHeldDuringTheWait);
        QCOMPARE(f.Ui.messageTexts(), QStringList({"Failed to Reset the device to factory defaults!"}));
        QCOMPARE(f.Ui.messages().front().TimeMs, clickedAt + 2000);
        QCOMPARE(sheet.statusLine()->text(),
                 QStringLiteral("Ready | No sensor connected: plug the sensor into a USB port and it is read "
                                "as soon as it arrives"));
        QCOMPARE(sheet.tabs()->currentIndex(), 2);
    }

    // The report list keeps showing the newest report after the window is
    // made smaller, until the user scrolls back; at the end it follows again.
    void reportListFollowsNewReports()
    {
        SimFixture f;
        VirtualSensorsWindow window(f.Sim);
        window.show();
        window.plugSensor(0);
        EnumSensors();
        auto* reports = window.findChild<QPlainTextEdit*>(QStringLiteral("reports"));
        QScrollBar* bar = reports->verticalScrollBar();
        const auto readAgain = [] { QVERIFY(ReadDevConfig()); };
        for (int i = 0; i < 4; ++i) readAgain();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());

        window.resize(window.width(), window.minimumSizeHint().height());
        QCoreApplication::processEvents();
        readAgain();
        QCOMPARE(bar->value(), bar->maximum());

        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        readAgain();
        QCOMPARE(bar->value(), 0);

        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        window.resize(window.width(), window.minimumSizeHint().height() + 40);
        QCoreApplication::processEvents();
        readAgain();
        QCOMPARE(bar->value(), bar->maximum());
    }

    void reportLine()
    {
        sim::Transfer transfer{sim::Transfer::Set,
                               "\\\\?\\HID#Vid_fff0&Pid_0001#sim1",
                               {0x00, 0x80, 0x01, 0xA0, 0x30, 0x0F, 0x00, 0x00, 0xFF},
                               12345,
                               true};
        QCOMPARE(VirtualSensorsWindow::formatTransfer(transfer),
                 QStringLiteral("   12.345 s  set  sim1      00 80 01 A0 30 0F 00 00 FF"));
        transfer.Dir = sim::Transfer::Get;
        transfer.Ok = false;
        QVERIFY(VirtualSensorsWindow::formatTransfer(transfer).startsWith(
            QLatin1String("   12.345 s  get  sim1")));
        QVERIFY(VirtualSensorsWindow::formatTransfer(transfer).endsWith(QLatin1String("FF  failed")));
    }
};

TOLVANE_REGISTER_TEST(VirtualSensorsWindowTest)
#include "VirtualSensorsWindowTest.moc"
