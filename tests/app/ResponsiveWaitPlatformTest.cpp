// The programs' waits: every device operation goes to the backend, and a wait
// runs the event loop until it is over. The only tests on the real clock, for
// a few milliseconds: the event loop is what they are about.

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <array>
#include <string>
#include <vector>

#include "TestRegistry.h"
#include "app/ResponsiveWaitPlatform.h"
#include "devlib/DevLib.h"
#include "platform/sim/SimPlatform.h"

class ResponsiveWaitPlatformTest : public QObject {
    Q_OBJECT
private slots:
    void aWaitDeliversTimersAndLastsAsLongAsAsked()
    {
        sim::SimPlatform backend(/*realTime=*/true);
        ResponsiveWaitPlatform waits(backend);
        int timersDuringTheWait = 0;
        QTimer::singleShot(0, [&] { ++timersDuringTheWait; });
        QTimer::singleShot(5, [&] { ++timersDuringTheWait; });

        QElapsedTimer clock;
        clock.start();
        const std::uint64_t before = waits.nowMs();
        waits.sleepMs(30);

        QCOMPARE(timersDuringTheWait, 2);
        QVERIFY(clock.elapsed() >= 30);
        QVERIFY(waits.nowMs() - before >= 30);
    }

    // Sensors read at once: the event loop keeps running while every sensor
    // is read on a thread of its own, whose waits are the backend's plain
    // sleeps and whose reports are not taken for a missing busy guard; the
    // reads overlap, so three sensors take the time of one. What a reading
    // thread hands over runs on the event loop's thread.
    void sensorsReadAtOnceBesideTheEventLoop()
    {
        sim::SimPlatform backend(/*realTime=*/true);
        ResponsiveWaitPlatform waits(backend);
        platform::install(&waits);
        ResetLibState();
        for (int i = 0; i < 3; ++i) backend.plugSensor();
        EnumSensors();
        QStringList refused;
        waits.setReentryHandler([&](const char* what) { refused << what; });
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);

        QElapsedTimer clock;
        clock.start();
        std::vector<int> read(3, 0);
        QStringList handedOver;
        runBesideTheEventLoop([&] {
            RunOnEverySensor([&](std::int16_t i) {
                const int complete = ReadDevConfig();
                runOnTheWaitingThread([&, i, complete] {
                    read[static_cast<std::size_t>(i)] = complete;
                    if (QThread::currentThread() == thread()) handedOver << QString::number(i);
                });
            });
        });

        QCOMPARE(read, std::vector<int>({1, 1, 1}));
        handedOver.sort();
        QCOMPARE(handedOver, QStringList({"0", "1", "2"}));
        QVERIFY(refused.empty());
        QVERIFY2(ticks >= 50, qPrintable(QStringLiteral("%1 ticks").arg(ticks)));
        QVERIFY2(clock.elapsed() < 2 * 2750, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
        CloseAllDevices();
        platform::install(nullptr);
    }

    // During a wait a click reaches a window that takes input during waits at
    // once; a click on any other window reaches it after the wait, in order.
    void aWaitHoldsInputExceptForWindowsThatTakeIt()
    {
        sim::SimPlatform backend(/*realTime=*/true);
        ResponsiveWaitPlatform waits(backend);
        QPushButton sheetButton(QStringLiteral("Sheet"));
        QPushButton handButton(QStringLiteral("Unplug"));
        WaitInputGate::takeInputDuringWaits(handButton);
        sheetButton.show();
        handButton.show();
        QStringList clicks;
        connect(&sheetButton, &QPushButton::clicked, [&] { clicks << QStringLiteral("sheet"); });
        connect(&handButton, &QPushButton::clicked, [&] { clicks << QStringLiteral("hand"); });
        QStringList clicksDuringTheWait;
        QTimer::singleShot(5, [&] {
            QTest::mouseClick(&sheetButton, Qt::LeftButton);
            QTest::mouseClick(&handButton, Qt::LeftButton);
            clicksDuringTheWait = clicks;
        });

        waits.sleepMs(30);
        QCoreApplication::processEvents();

        QCOMPARE(clicksDuringTheWait, QStringList({"hand"}));
        QCOMPARE(clicks, QStringList({"hand", "sheet"}));
    }

    // Discovery opens the sensor and reads its attributes through the waits'
    // platform; a report sent through it reaches the sensor.
    void theDeviceLibraryReachesTheBackendThroughIt()
    {
        sim::SimPlatform backend;
        const sim::DeviceId sensor = backend.plugSensor(0x0405, 7);
        ResponsiveWaitPlatform waits(backend);
        platform::install(&waits);
        ResetLibState();

        EnumSensors();

        QCOMPARE(GetDevCount(), std::int16_t{1});
        QCOMPARE(GetDevFwVersion(), std::uint16_t{0x0405});
        QCOMPARE(backend.openHandleCount(sensor), 1);
        const platform::Handle handle = waits.open(backend.pathOf(sensor));
        const std::array<std::uint8_t, 9> haltKeySends{0, 0xB1};
        QVERIFY(waits.setFeature(handle, haltKeySends));
        waits.close(handle);
        QCOMPARE(backend.transcript().size(), std::size_t{1});
        QVERIFY(backend.sensor(sensor).KeySendsHalted);
        CloseAllDevices();
        platform::install(nullptr);
    }

    // A report started inside a wait (a timer that forgot the busy guard) is
    // refused before it reaches the sensor, and said.
    void aReportStartedDuringAWaitIsRefused()
    {
        sim::SimPlatform backend(/*realTime=*/true);
        const sim::DeviceId sensor = backend.plugSensor();
        ResponsiveWaitPlatform waits(backend);
        std::vector<std::string> told;
        waits.setReentryHandler([&](const char* what) { told.emplace_back(what); });
        const platform::Handle handle = waits.open(backend.pathOf(sensor));
        std::array<std::uint8_t, 9> report{0, 0xB1};
        bool sent = true;
        bool read = true;
        QTimer::singleShot(0, [&] {
            sent = waits.setFeature(handle, report);
            read = waits.getFeature(handle, report);
        });

        waits.sleepMs(10);

        QVERIFY(!sent);
        QVERIFY(!read);
        QCOMPARE(told, (std::vector<std::string>{"a feature report sent", "a feature report read"}));
        QVERIFY(backend.transcript().empty());
        QVERIFY2(waits.setFeature(handle, report), "outside a wait reports go through");
        waits.close(handle);
    }
};

TOLVANE_REGISTER_TEST(ResponsiveWaitPlatformTest)
#include "ResponsiveWaitPlatformTest.moc"
