// Start-up with the real pages: the library version gate, the sheet built and
// initialised with and without a sensor, and the whole run ending with the
// library closed.

#include <QCheckBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "AppTestSupport.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/TolvaneApp.h"
#include "pages/MiscPage.h"
#include "pages/SNRPage.h"
#include "pages/WAPage.h"
#include "pages/WUPage.h"
#include "resources/KeySetControls.h"

namespace {

struct AppFixture : SimFixture {
    explicit AppFixture(CTolvaneApp::VersionQuery queryVersion = GetLibVersion)
        : Watcher(followSimDevices(Sim)), App(Ui, Watcher, std::move(queryVersion))
    {
    }
    DeviceWatcher Watcher;
    CTolvaneApp App;
};

CTolvaneApp::VersionQuery reportVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t patch)
{
    return [=](std::uint16_t* ma, std::uint16_t* mi, std::uint16_t* pa) {
        *ma = major;
        *mi = minor;
        *pa = patch;
        return 1;
    };
}

}  // namespace

class TolvaneAppTest : public QObject {
    Q_OBJECT
private slots:
    void versionGate_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<bool>("passes");
        QTest::addColumn<QString>("title");
        QTest::newRow("1.99") << 1 << 99 << false << QString();
        QTest::newRow("0.00") << 0 << 0 << false << QString();
        QTest::newRow("2.00") << 2 << 0 << true << "VANTREL 3.90, DLL 2.00, DeviceFW 0.00";
        QTest::newRow("2.99") << 2 << 99 << true << "VANTREL 3.90, DLL 2.990, DeviceFW 0.00";
        QTest::newRow("negative major") << 0xFFFF << 0 << false << QString();
    }

    void versionGate()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(bool, passes);
        QFETCH(QString, title);
        AppFixture f(reportVersion(static_cast<std::uint16_t>(major), static_cast<std::uint16_t>(minor), 0));

        if (!passes) {
            // The whole start-up ends without a sheet.
            QVERIFY(!f.App.InitInstance());
            QVERIFY(f.App.Sheet() == nullptr);
            QVERIFY(f.App.PageWalkAway == nullptr);
            QCOMPARE(f.Ui.messages().size(), std::size_t{1});
            const RecordingUiServices::Message& message = f.Ui.messages().front();
            QCOMPARE(message.Text, QStringLiteral("Must use DLL v2.00 or higher with this App!"));
            QCOMPARE(message.Caption, QStringLiteral("DLL Incompatibility"));
            QCOMPARE(message.Icon, MessageIcon::Exclamation);
            QVERIFY(message.Owner == nullptr);
            QVERIFY(f.Sim.transcript().empty());
            return;
        }
        QVERIFY(f.App.StartUp());
        QVERIFY(f.Ui.messages().empty());
        QCOMPARE(f.App.Sheet()->windowTitle(), title);
    }

    void startWithoutASensor()
    {
        AppFixture f;
        QVERIFY(f.App.StartUp());
        QCOMPARE(f.App.Model.LibVerMajor, std::int16_t{5});
        PropSheet& sheet = *f.App.Sheet();
        QCOMPARE(sheet.windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 0.00"));

        SimFixture::showAndStart(sheet);
        QVERIFY(!sheet.windowIcon().isNull());
        QCOMPARE(sheet.windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 0.00"));
        QVERIFY(f.Ui.messages().empty());
        QCOMPARE(f.App.Model.ConfigLoaded, 0u);
        QCOMPARE(f.App.Model.DeviceVariant, std::int16_t{-1});

        QStringList tabs;
        // The text shown, without the mark of the letter Alt answers.
        for (int i = 0; i < sheet.tabs()->count(); ++i)
            tabs << sheet.tabs()->tabText(i).remove(QLatin1Char('&'));
        QCOMPARE(tabs, QStringList({"Walk-Away", "Walk-To", "Sonar", "Misc."}));
        QCOMPARE(sheet.tabs()->currentIndex(), 0);
        QVERIFY(sheet.page(0) == f.App.PageWalkAway);
        QVERIFY(sheet.page(1) == f.App.PageWalkTo);
        QVERIFY(sheet.page(2) == f.App.PageSonar);
        QVERIFY(sheet.page(3) == f.App.PageMisc);
        for (int i = 0; i < sheet.pageCount(); ++i) QVERIFY(sheet.page(i)->isCreated());
        // Four pages, 100 ms each; no sensor means no exchanges.
        QVERIFY(f.Sim.transcript().empty());
        QCOMPARE(f.Sim.nowMs(), std::uint64_t{400});
    }

    void startWithASensor()
    {
        AppFixture f;
        f.Sim.plugSensor(0x0405, 77);
        QVERIFY(f.App.StartUp());
        f.showAndStart(*f.App.Sheet());
        QCOMPARE(f.App.Sheet()->windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 4.05"));
        QCOMPARE(f.App.Model.ConfigLoaded, 1u);
        QCOMPARE(f.App.Model.DeviceFw, 0x0405);
        QCOMPARE(f.App.Model.EditLuid, std::uint16_t{77});
        QCOMPARE(f.App.Model.DeviceVariant, std::int16_t{-1});
        QVERIFY(f.Ui.messages().empty());
        QVERIFY(!f.App.Sheet()->haltKeySendsBox()->isChecked());
        // The page on show has its controls on the screen, filled.
        QWidget* const firstModifier = f.App.PageWalkAway->item(res::kWalkAwayKeySets[0].Modifiers[0]);
        QVERIFY(firstModifier && firstModifier->isVisible());
        QVERIFY(f.App.PageWalkAway->item(res::kWalkAwayKeySets[0].KeyList)->isVisible());
    }

    // One sensor's failed read hides no other: the sheet works on the first
    // sensor read completely, and its title shows that sensor.
    void startWithAFailingSensor_data()
    {
        QTest::addColumn<int>("failing");
        QTest::addColumn<int>("worked");
        QTest::newRow("second sensor fails") << 1 << 0;
        QTest::newRow("first sensor fails") << 0 << 1;
    }
    void startWithAFailingSensor()
    {
        QFETCH(int, failing);
        QFETCH(int, worked);
        AppFixture f;
        const std::uint16_t firmware[] = {0x0405, 0x0143};
        const sim::DeviceId ids[] = {f.Sim.plugSensor(firmware[0], 100), f.Sim.plugSensor(firmware[1], 101)};
        // The failing sensor's second command report fails.
        f.Sim.failTransferOf(ids[failing], 3);
        QVERIFY(f.App.StartUp());

        f.showAndStart(*f.App.Sheet());

        QCOMPARE(GetDevCount(), std::int16_t{2});
        QCOMPARE(f.App.Model.ConfigLoaded, 1u);
        QCOMPARE(f.App.Model.EditLuid, std::uint16_t(100 + worked));
        QCOMPARE(f.App.Model.DeviceFw, std::int32_t{firmware[worked]});
        QCOMPARE(f.App.Sheet()->windowTitle(), QString::fromStdString(f.App.Model.SheetTitle()));
        QVERIFY(f.App.Sheet()->windowTitle().endsWith(worked == 0 ? QLatin1String("4.05")
                                                                  : QLatin1String("1.43")));
        QCOMPARE(LibState().CurrentSlot, std::int16_t(worked));
        QVERIFY(f.Ui.messages().empty());
    }

    // Devices are followed from before the sensors are opened: a sensor
    // plugged in or pulled out while they are read is seen once start-up ends.
    void aSensorPluggedInWhileTheSensorsAreReadIsSeen()
    {
        AppFixture f;
        f.Sim.plugSensor(0x0405, 1);
        int transfers = 0;
        f.Sim.setTransferListener([&](const sim::Transfer&) {
            if (++transfers == 5) f.Sim.plugSensor(0x0143, 2);
        });
        QVERIFY(f.App.StartUp());
        f.showAndStart(*f.App.Sheet());

        QCOMPARE(GetDevCount(), std::int16_t{2});
        QCOMPARE(f.App.Model.EditLuid, std::uint16_t{1});
        QCOMPARE(f.App.Sheet()->windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 4.05"));
    }

    void aSensorPulledOutWhileTheSensorsAreReadIsLetGo()
    {
        AppFixture f;
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405, 1);
        f.Sim.unplugDuringTransfer(5, sensor);
        QVERIFY(f.App.StartUp());
        f.showAndStart(*f.App.Sheet());
        QCOMPARE(f.App.Model.ConfigLoaded, 0u);

        f.deliverDeviceEvents();
        QCOMPARE(GetDevCount(), std::int16_t{0});

        f.Sim.plugSensor(0x0412, 3);
        f.deliverDeviceEvents();
        QCOMPARE(GetDevCount(), std::int16_t{1});
        QCOMPARE(f.App.Model.ConfigLoaded, 1u);
        QCOMPARE(f.App.Model.EditLuid, std::uint16_t{3});
        QCOMPARE(f.App.Sheet()->windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 4.12"));
    }

    void deviceVariantFollowsTheFirmwaresLastDigit()
    {
        AppFixture f;
        sim::DeviceId first = f.Sim.plugSensor(0x0402);
        QVERIFY(f.App.StartUp());
        f.showAndStart(*f.App.Sheet());
        QCOMPARE(f.App.Model.DeviceVariant, std::int16_t{2});

        // A new sensor comes and the first one goes, so the model moves to
        // the new one without passing through "no sensor" (which gives -1).
        const struct {
            std::uint16_t Firmware;
            std::int16_t Variant;
        } steps[] = {{0x0401, 2}, {0x0400, -1}, {0x0401, -1}, {0x0412, 2}};
        for (const auto& step : steps) {
            const sim::DeviceId next = f.Sim.plugSensor(step.Firmware);
            f.deliverDeviceEvents();
            f.Sim.unplug(first);
            f.deliverDeviceEvents();
            first = next;
            QCOMPARE(f.App.Model.DeviceFw, std::int32_t{step.Firmware});
            QCOMPARE(f.App.Model.DeviceVariant, step.Variant);
        }
    }

    void theWholeRunClosesTheLibraryAfterTheSheet()
    {
        AppFixture f;
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405);
        QString shownTitle;
        QTimer::singleShot(0, [&] {
            QWidget* sheet = QApplication::activeModalWidget();
            QVERIFY(sheet != nullptr);
            QVERIFY(sheet == f.App.Sheet());
            // The sensor is read once the sheet is on the screen.
            QTRY_VERIFY(f.Sim.openHandleCount(sensor) > 0);
            shownTitle = sheet->windowTitle();
            f.App.Sheet()->cancelButton()->click();
        });

        QVERIFY(f.App.InitInstance());

        QCOMPARE(shownTitle, QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 4.05"));
        QCOMPARE(f.Sim.openHandleCount(sensor), 0);
        QCOMPARE(GetDevCount(), std::int16_t{0});
        QVERIFY(f.App.Sheet() == nullptr);
        QVERIFY(f.App.PageWalkAway == nullptr && f.App.PageWalkTo == nullptr);
        QVERIFY(f.App.PageSonar == nullptr && f.App.PageMisc == nullptr);
    }
};

TOLVANE_REGISTER_TEST(TolvaneAppTest)
#include "TolvaneAppTest.moc"
