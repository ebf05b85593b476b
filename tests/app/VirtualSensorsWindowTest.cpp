// The Virtual Sensors window of tolvane-sim drives the sim, and the sheet
// follows what it plugs and unplugs.

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>

#include "AppTestSupport.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/TolvaneApp.h"
#include "app/VirtualSensorsWindow.h"

class VirtualSensorsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void standsBesideTheSheetAndOnTheScreen()
    {
        SimFixture f;
        VirtualSensorsWindow window(f.Sim);
        QWidget sheet;
        const QRect screen = sheet.screen()->availableGeometry();
        window.show();

        // Room on the right: the window stands there, level with the sheet.
        sheet.setGeometry(screen.left(), screen.top(), screen.width() / 4, screen.height() / 4);
        window.placeBeside(sheet);
        QVERIFY(window.frameGeometry().left() > sheet.frameGeometry().right());
        QCOMPARE(window.frameGeometry().top(), sheet.frameGeometry().top());

        // A sheet as wide as the screen: the sheet goes to the top and the window
        // below it, still on the screen.
        sheet.setGeometry(screen.left(), screen.top() + screen.height() / 2, screen.width(),
                          screen.height() / 4);
        window.placeBeside(sheet);
        QCOMPARE(sheet.frameGeometry().top(), screen.top());
        QVERIFY(window.frameGeometry().top() > sheet.frameGeometry().bottom());
        QVERIFY(screen.contains(window.frameGeometry().topLeft()));
        QVERIFY(window.frameGeometry().right() <= screen.right());
    }

    void plugsSetsAndListsWhatTheSheetSees()
    {
        SimFixture f;
        VirtualSensorsWindow window(f.Sim);
        DeviceWatcher watcher(followSimDevices(f.Sim));
        CTolvaneApp app(f.Ui, watcher);
        QVERIFY(app.StartUp());
        PropSheet& sheet = *app.Sheet();
        SimFixture::showAndStart(sheet);
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

        // Every report of the read is listed, in order.
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
