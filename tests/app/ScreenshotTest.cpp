// Pictures of the four pages as the program shows them with a sensor of
// firmware 4.05 plugged in, and of the "Range" window while a target walks
// through the detection window, saved under the build folder's screenshots/.

#include <QAbstractButton>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <numbers>

#include "AppTestSupport.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/SheetStatusLine.h"
#include "app/TolvaneApp.h"
#include "pages/MiscControls.h"
#include "pages/MiscPage.h"
#include "pages/RangePlot.h"
#include "pages/RangeWindow.h"
#include "pages/SNRPage.h"
#include "pages/SonarControls.h"

namespace {

void saveScreenshot(QWidget& widget, const QString& name)
{
    // Lays the widgets out as the event loop would before painting.
    QCoreApplication::processEvents();
    QVERIFY(QDir().mkpath(QStringLiteral(TOLVANE_SCREENSHOT_DIR)));
    const QImage image = widget.grab().toImage();
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), widget.size() * image.devicePixelRatio());
    const QString path = QDir(QStringLiteral(TOLVANE_SCREENSHOT_DIR)).filePath(name);
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

        qobject_cast<QAbstractButton*>(app.PageMisc->item(misc::ResetAll))->click();

        QVERIFY(taken);
        QCOMPARE(sheet.statusLine()->activityText(), QStringLiteral("Ready"));
    }

    void everyPageWithASensor()
    {
        SimFixture f;
        DeviceWatcher watcher(followSimDevices(f.Sim));
        CTolvaneApp app(f.Ui, watcher);
        f.Sim.plugSensor(0x0405, 1);
        QVERIFY(app.StartUp());
        PropSheet& sheet = *app.Sheet();
        SimFixture::showAndStart(sheet);
        QVERIFY(QDir().mkpath(QStringLiteral(TOLVANE_SCREENSHOT_DIR)));

        for (int i = 0; i < sheet.pageCount(); ++i) {
            sheet.tabs()->setCurrentIndex(i);
            QCOMPARE(sheet.activePageIndex(), i);
            saveScreenshot(sheet, sheet.tabs()->tabText(i).remove(QLatin1Char('.')) + QStringLiteral(".png"));
        }
        QVERIFY(f.Ui.messages().empty());
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
