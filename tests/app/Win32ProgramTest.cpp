// tolvane on Windows without a sensor: the program's own run on the Windows
// backend and its device notifications, as main_win32.cpp starts it. Wine has
// no sensor, and neither has a Windows machine without one plugged in.

#include <QTest>
#include <QTimer>

#include "TestRegistry.h"
#include "app/Program.h"
#include "app/PropSheet.h"
#include "app/SheetStatusLine.h"
#include "app/Win32DeviceSource.h"
#include "devlib/DevLib.h"
#include "platform/win32/Win32Platform.h"

namespace {

constexpr int kStartUpTimeoutMs = 10000;

struct ShownSheet {
    bool LookedForSensors = false;
    bool Visible = false;
    QString SensorStatus;
    QString StatusLine;
};

}  // namespace

class Win32ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void saysNoSensorConnected()
    {
        ResetLibState();
        win32::Win32Platform windows;
        platform::install(&windows);
        ShownSheet shown;
        const int exitCode = RunTolvane(followWin32Devices(), [&shown](PropSheet& sheet) {
            // Once the modal run has shown the sheet and looked for sensors.
            QTimer::singleShot(0, &sheet, [&shown, &sheet] {
                const bool looked =
                    QTest::qWaitFor([&sheet] { return !sheet.sensorStatus().isEmpty(); }, kStartUpTimeoutMs);
                shown = {looked, sheet.isVisible(), sheet.sensorStatus(), sheet.statusLine()->text()};
                sheet.reject();
            });
        });
        platform::install(nullptr);
        QCOMPARE(exitCode, 0);
        QVERIFY(shown.LookedForSensors);
        QVERIFY(shown.Visible);
        QCOMPARE(shown.SensorStatus, QStringLiteral("No sensor connected"));
        QCOMPARE(shown.StatusLine, QStringLiteral("Ready | No sensor connected"));
    }
};

TOLVANE_REGISTER_TEST(Win32ProgramTest)
#include "Win32ProgramTest.moc"
