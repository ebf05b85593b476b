// Pictures of the program as a user sees it, saved under the build folder's
// screenshots/: the four pages with a sensor of firmware 4.05 plugged in, the
// sheet without a sensor and with a sensor this user may not open,
// tolvane-sim's two windows, and the "Range" window while a target walks
// through the detection window. On the offscreen platform the windows alone
// are pictured; under a real X server with a window manager
// (tools/screenshots.sh) the sheet's pictures show the whole screen, frames
// and all, in a folder named for its size.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QPalette>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <numbers>

#include "AppTestSupport.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/SheetStatusLine.h"
#include "app/TolvaneApp.h"
#include "app/VirtualSensorsWindow.h"
#include "pages/MiscControls.h"
#include "pages/MiscPage.h"
#include "pages/RangePlot.h"
#include "pages/RangeWindow.h"
#include "pages/SNRPage.h"
#include "resources/SonarControls.h"

namespace {

constexpr int kFramingTimeoutMs = 3000;

bool onRealScreen()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// The colour scheme tools/screenshots.sh asks for: "dark", or the light default.
bool darkScheme()
{
    return qEnvironmentVariable("TOLVANE_SCREENSHOT_SCHEME") == QLatin1String("dark");
}

// A dark scheme as a dark desktop theme gives it to the Fusion style.
QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2B, 0x2B, 0x2F));
    dark.setColor(QPalette::WindowText, QColor(0xE6, 0xE6, 0xE6));
    dark.setColor(QPalette::Base, QColor(0x1F, 0x1F, 0x23));
    dark.setColor(QPalette::AlternateBase, QColor(0x2F, 0x2F, 0x34));
    dark.setColor(QPalette::Text, QColor(0xE6, 0xE6, 0xE6));
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x3A));
    dark.setColor(QPalette::ButtonText, QColor(0xE6, 0xE6, 0xE6));
    dark.setColor(QPalette::Highlight, QColor(0x3D, 0x7A, 0xD6));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, QColor(0x35, 0x35, 0x3A));
    dark.setColor(QPalette::ToolTipText, QColor(0xE6, 0xE6, 0xE6));
    dark.setColor(QPalette::Light, QColor(0x4A, 0x4A, 0x50));
    dark.setColor(QPalette::Midlight, QColor(0x3E, 0x3E, 0x44));
    dark.setColor(QPalette::Mid, QColor(0x28, 0x28, 0x2C));
    dark.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1B));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x86));
    return dark;
}

// Under a real X server, a folder per screen size, scheme and scale factor:
// "1280x800", "2560x1600-dark-scale2".
QString screenshotDir()
{
    QString dir = QStringLiteral(TOLVANE_SCREENSHOT_DIR);
    if (onRealScreen()) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QSize size = screen->size() * screen->devicePixelRatio();
        dir += QStringLiteral("/%1x%2").arg(size.width()).arg(size.height());
        if (darkScheme()) dir += QStringLiteral("-dark");
        if (screen->devicePixelRatio() != 1.0)
            dir += QStringLiteral("-scale%1").arg(screen->devicePixelRatio());
    }
    return dir;
}

// Waits until the window manager has framed the window (at once offscreen).
bool framed(QWidget& window)
{
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    if (!onRealScreen()) return true;
    return QTest::qWaitFor([&window] { return !window.windowHandle()->frameMargins().isNull(); },
                           kFramingTimeoutMs);
}

// The whole screen on a real X server, else the window itself.
QImage picture(QWidget& window)
{
    if (!onRealScreen()) return window.grab().toImage();
    // Let the window manager and the window finish painting.
    QTest::qWait(200);
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

void save(const QImage& image, const QString& name)
{
    QVERIFY(!image.isNull());
    QVERIFY(QDir().mkpath(screenshotDir()));
    const QString path = QDir(screenshotDir()).filePath(name + QStringLiteral(".png"));
    QVERIFY2(image.save(path), qPrintable(path));
    QCOMPARE(QImage(path).size(), image.size());
}

// The sheet's frame lies wholly on the screen.
void verifyOnScreen(QWidget& window)
{
    const QRect screen = window.screen()->availableGeometry();
    QVERIFY2(screen.contains(window.frameGeometry()),
             qPrintable(QStringLiteral("%1 not within the screen").arg(window.windowTitle())));
}

struct Shown {
    Shown(SimFixture& f) : Watcher(followSimDevices(f.Sim)), App(f.Ui, Watcher) {}

    // Starts the program and shows its sheet at the top of the screen.
    void start()
    {
        QVERIFY(App.StartUp());
        PropSheet& sheet = *App.Sheet();
        SimFixture::showAndStart(sheet);
        const QRect screen = sheet.screen()->availableGeometry();
        sheet.move(screen.topLeft());
        QVERIFY(framed(sheet));
        sheet.move(screen.topLeft());
        if (onRealScreen()) verifyOnScreen(sheet);
    }

    DeviceWatcher Watcher;
    CTolvaneApp App;
};

void saveScreenshot(QWidget& widget, const QString& name)
{
    // Lays the widgets out as the event loop would before painting.
    QCoreApplication::processEvents();
    QVERIFY(QDir().mkpath(screenshotDir()));
    const QImage image = widget.grab().toImage();
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), widget.size() * image.devicePixelRatio());
    const QString path = QDir(screenshotDir()).filePath(name);
    QVERIFY2(image.save(path), qPrintable(path));
    QVERIFY(QImage(path).size() == image.size());
}

// A person walking up to the sensor from across the room, standing at the
// desk a while, and walking away again: inches at t seconds, with a little
// sway so that the readings are not perfectly smooth.
double walkingTarget(double t)
{
    const double sway = 1.5 * std::sin(t * 2.3) + 0.8 * std::sin(t * 5.1);
    if (t < 15) return 68 - 3 * t + sway;
    if (t < 35) return 23 + sway;
    return std::min(70.0, 23 + 2.5 * (t - 35)) + sway;
}

}  // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (darkScheme()) QApplication::setPalette(darkPalette());
    }

    // The sheet painted during the 2 s wait of "Reset All", saying what it does.
    void sheetDuringAResetWait()
    {
        SimFixture f;
        DeviceWatcher watcher(followSimDevices(f.Sim));
        CTolvaneApp app(f.Ui, watcher);
        f.Sim.plugSensor(0x0405, 1);
        QVERIFY(app.StartUp());
        PropSheet& sheet = *app.Sheet();
        SimFixture::showAndStart(sheet);
        sheet.tabs()->setCurrentIndex(3);
        bool taken = false;
        f.Sim.DuringWait = [&](std::uint32_t ms) {
            if (taken || ms != 2000) return;
            taken = true;
            QCOMPARE(sheet.statusLine()->activityText(),
                     QStringLiteral("Resetting the sensor to factory defaults…"));
            QCOMPARE(f.Ui.busyDepth(), 1);
            saveScreenshot(sheet, QStringLiteral("BusyResetAll.png"));
        };

        f.Ui.queueAnswer(Answer::Yes);
        qobject_cast<QAbstractButton*>(app.PageMisc->item(misc::ResetAll))->click();

        QVERIFY(taken);
        QCOMPARE(sheet.statusLine()->activityText(), QStringLiteral("Ready"));
    }

    void everyPageWithASensor()
    {
        SimFixture f;
        f.Sim.plugSensor(0x0405, 1);
        Shown shown(f);
        shown.start();
        PropSheet& sheet = *shown.App.Sheet();

        for (int i = 0; i < sheet.pageCount(); ++i) {
            sheet.tabs()->setCurrentIndex(i);
            QCOMPARE(sheet.activePageIndex(), i);
            save(picture(sheet), sheet.tabs()->tabText(i).remove(QLatin1Char('.')).remove(QLatin1Char('&')));
        }
        QVERIFY(f.Ui.messages().empty());
    }

    void withoutASensor()
    {
        SimFixture f;
        Shown shown(f);
        shown.start();
        QCOMPARE(
            shown.App.Sheet()->sensorStatus(),
            QStringLiteral(
                "No sensor connected: plug the sensor into a USB port and it is read as soon as it arrives"));
        save(picture(*shown.App.Sheet()), QStringLiteral("No sensor"));
    }

    void withASensorThisUserMayNotOpen()
    {
        SimFixture f;
        f.Sim.denyAccess(f.Sim.plugSensor(0x0405, 1));
        Shown shown(f);
        shown.start();
        QVERIFY(shown.App.Sheet()->sensorStatus().startsWith(
            QLatin1String("A sensor is connected but this user may not open it")));
        save(picture(*shown.App.Sheet()), QStringLiteral("No permission"));
    }

    // tolvane-sim: the sheet and the Virtual Sensors window both whole on the
    // screen, the second one clear of the sheet's buttons.
    void virtualSensorsBesideTheSheet()
    {
        if (!onRealScreen())
            QSKIP("The placement needs a screen of 1280 x 800 or larger with a window manager");
        SimFixture f;
        VirtualSensorsWindow sensors(f.Sim);
        sensors.plugSensor(0);
        sensors.plugSensor(1);
        Shown shown(f);
        QVERIFY(shown.App.StartUp());
        PropSheet& sheet = *shown.App.Sheet();
        SimFixture::showAndStart(sheet);
        sensors.show();
        QVERIFY(framed(sheet));
        QVERIFY(framed(sensors));
        sensors.placeWithSheet(sheet);
        QTest::qWait(300);
        verifyOnScreen(sheet);
        verifyOnScreen(sensors);
        QVERIFY(!sensors.frameGeometry().intersects(sheet.frameGeometry()));
        save(picture(sheet), QStringLiteral("tolvane-sim"));
    }

    // Readings every 500 ms for a minute while the target walks up, stays and
    // leaves, against a window of 20 to 48 inches typed on the Sonar page
    // and not yet applied; then the sensor is pulled.
    void rangeWindowWithAMovingTarget()
    {
        SimFixture f;
        DeviceWatcher watcher(followSimDevices(f.Sim));
        CTolvaneApp app(f.Ui, watcher);
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405, 1);
        QVERIFY(app.StartUp());
        PropSheet& sheet = *app.Sheet();
        SimFixture::showAndStart(sheet);
        sheet.tabs()->setCurrentIndex(2);
        qobject_cast<QLineEdit*>(app.PageSonar->item(sonar::MinDist))->setText(QStringLiteral("20"));
        qobject_cast<QLineEdit*>(app.PageSonar->item(sonar::MaxDist))->setText(QStringLiteral("48"));
        sheet.tabs()->setCurrentIndex(3);
        MiscPage& misc = *app.PageMisc;
        qobject_cast<QLineEdit*>(misc.item(misc::RangeRate))->setText(QStringLiteral("500"));
        qobject_cast<QAbstractButton*>(misc.item(misc::AutoGetRange))->click();
        qobject_cast<QAbstractButton*>(misc.item(misc::RangeWindowButton))->click();
        RangeWindow& window = *misc.rangePlot()->window();
        auto* timer = misc.findChild<QTimer*>(QStringLiteral("rangeTimer"));
        QVERIFY(timer->isActive());
        // The ticks are the ones invoked below; on a slow or busy machine the
        // real timer would add its own between them.
        timer->setInterval(24 * 60 * 60 * 1000);

        f.Sim.clearTranscript();
        constexpr int kReadings = 120;
        for (int i = 0; i < kReadings; ++i) {
            f.Sim.sensor(sensor).setTargetInches(walkingTarget(i * 0.5));
            // The virtual clock alone: the timer's own ticks are the ones invoked here.
            f.Sim.sim::SimPlatform::sleepMs(250);
            QMetaObject::invokeMethod(timer, "timeout");
        }
        QCOMPARE(misc.rangePlot()->series().readings().size(), std::size_t{kReadings});
        QCOMPARE(f.Sim.transcript().size(), std::size_t{2 * kReadings});
        QCOMPARE(misc.rangePlot()->series().window(), (DetectionWindow{20, 48}));
        saveScreenshot(window, QStringLiteral("Range.png"));

        f.Sim.unplug(sensor);
        SimFixture::deliverDeviceEvents();
        f.Sim.sleepMs(250);
        QMetaObject::invokeMethod(timer, "timeout");
        QCOMPARE(misc.rangePlot()->series().state(), RangeSeries::State::Stopped);
        QCOMPARE(f.Ui.messageTexts(), QStringList{"Failed GetRange in onTimer"});
        saveScreenshot(window, QStringLiteral("Range-stopped.png"));
    }
};

TOLVANE_REGISTER_TEST(ScreenshotTest)
#include "ScreenshotTest.moc"
