// Pictures of the four pages as the program shows them with a sensor of
// firmware 4.05 plugged in, saved under the build folder's screenshots/.

#include <QDir>
#include <QImage>
#include <QTabWidget>
#include <QTest>

#include "AppTestSupport.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/TolvaneApp.h"

class ScreenshotTest : public QObject {
    Q_OBJECT
private slots:
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
            const QImage image = sheet.grab().toImage();
            QVERIFY(!image.isNull());
            QCOMPARE(image.size(), sheet.size() * image.devicePixelRatio());
            const QString name = sheet.tabs()->tabText(i).remove(QLatin1Char('.')) + QStringLiteral(".png");
            const QString path = QDir(QStringLiteral(TOLVANE_SCREENSHOT_DIR)).filePath(name);
            QVERIFY2(image.save(path), qPrintable(path));
            QVERIFY(QImage(path).size() == image.size());
        }
        QVERIFY(f.Ui.messages().empty());
    }
};

TOLVANE_REGISTER_TEST(ScreenshotTest)
#include "ScreenshotTest.moc"
