// One sheet per user and display: a second start raises the running sheet
// and ends; a socket left by a sheet that died is taken over.

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <QWidget>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "TestRegistry.h"
#include "app/SingleSheet.h"

namespace {

QString uniqueName(const char* what)
{
    return QStringLiteral("tolvane-test-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(QLatin1String(what));
}

}  // namespace

class SingleSheetTest : public QObject {
    Q_OBJECT
private slots:
    void secondStartRaisesTheRunningSheet()
    {
        const QString name = uniqueName("raise");
        SingleSheet running(name);
        QWidget sheet;
        QVERIFY(running.serve(sheet));
        QVERIFY(!sheet.isVisible());

        SingleSheet second(name);
        QVERIFY(second.raiseRunning());
        QTRY_VERIFY(sheet.isVisible());
        QVERIFY(!sheet.isMinimized());
    }

    void nothingRunningIsNothingToRaise()
    {
        SingleSheet first(uniqueName("alone"));
        QVERIFY(!first.raiseRunning());
    }

    void aDeadSheetsSocketIsTakenOver()
    {
        const QString name = uniqueName("stale");
        QFile leftBehind(QDir::tempPath() + QLatin1Char('/') + name);
        QVERIFY(leftBehind.open(QIODevice::WriteOnly));
        leftBehind.close();

        SingleSheet next(name);
        QVERIFY(!next.raiseRunning());
        QWidget sheet;
        QVERIFY(next.serve(sheet));
        QVERIFY(SingleSheet(name).raiseRunning());
    }

#ifdef TOLVANE_PROGRAM
    // Two processes of the real program, on one display: the second ends at
    // once with status 0 and the first keeps running.
    void secondProcessEndsAndLeavesTheFirst()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("DISPLAY"), uniqueName("display"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        QProcess first;
        first.setProcessEnvironment(environment);
        first.start(QStringLiteral(TOLVANE_PROGRAM), {});
        QVERIFY(first.waitForStarted());
        const QString name =
            QStringLiteral("tolvane-%1-%2")
                .arg(QString::number(::getuid()), environment.value(QStringLiteral("DISPLAY")));
        QTRY_VERIFY_WITH_TIMEOUT(SingleSheet(name).raiseRunning(), 10000);

        QProcess second;
        second.setProcessEnvironment(environment);
        second.start(QStringLiteral(TOLVANE_PROGRAM), {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);

        first.kill();
        first.waitForFinished();
    }
#endif
};

TOLVANE_REGISTER_TEST(SingleSheetTest)
#include "SingleSheetTest.moc"
