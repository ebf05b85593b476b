// Sensors plugged in and pulled out while the sheet runs with the real pages:
// the model is re-read, the title follows the firmware, and the pages show
// what the model now holds.

#include <QLineEdit>
#include <QTest>

#include "AppTestSupport.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/TolvaneApp.h"
#include "pages/MiscPage.h"
#include "pages/SNRPage.h"
#include "pages/WAPage.h"
#include "pages/WUPage.h"

namespace {

// Fields that the pages fill from the model on a refresh.
constexpr int kWalkAwayDelayField = 1014;
constexpr int kWalkToDelayField = 1014;
constexpr int kSonarMaxDistField = 1027;
constexpr int kMiscLuidField = 1078;
// Controls that only the advanced settings enable; a refresh disables them.
constexpr int kWalkAwayAdvancedField = 1014;
constexpr int kWalkToAdvancedField = 1014;
constexpr int kSonarAdvancedField = 1024;

struct RunningApp : SimFixture {
    RunningApp() : Watcher(followSimDevices(Sim)), App(Ui, Watcher) {}

    void start()
    {
        QVERIFY(App.StartUp());
        showAndStart(*App.Sheet());
    }

    static QString fieldText(PropertyPage* page, int id)
    {
        return qobject_cast<QLineEdit*>(page->item(id))->text();
    }

    // What the pages show of the model, and what the model holds.
    QStringList shownByPages() const
    {
        return {fieldText(App.PageWalkAway, kWalkAwayDelayField),
                fieldText(App.PageWalkTo, kWalkToDelayField), fieldText(App.PageSonar, kSonarMaxDistField),
                fieldText(App.PageMisc, kMiscLuidField)};
    }
    QStringList heldByModel() const
    {
        const ConfigSet& cfg = App.Model.EditCfg;
        return {QString::number(cfg.WalkAway[InterKeyDelayWA]), QString::number(cfg.WalkUp[InterKeyDelayWU]),
                QString::number(cfg.Sonar[MaxDistS]), QString::number(App.Model.EditLuid)};
    }
    QString title() const { return App.Sheet()->windowTitle(); }

    void enableAdvancedSettings() { App.Sheet()->sendPageCommand(PageCommand::AdvancedSettings, 1); }
    QList<bool> advancedEnabled() const
    {
        return {App.PageWalkAway->item(kWalkAwayAdvancedField)->isEnabled(),
                App.PageWalkTo->item(kWalkToAdvancedField)->isEnabled(),
                App.PageSonar->item(kSonarAdvancedField)->isEnabled()};
    }

    DeviceWatcher Watcher;
    CTolvaneApp App;
};

}  // namespace

class DeviceChangeTest : public QObject {
    Q_OBJECT
private slots:
    void aSensorPluggedInLaterIsReadAndShown()
    {
        RunningApp f;
        f.start();
        QCOMPARE(f.App.Model.ConfigLoaded, 0u);
        f.enableAdvancedSettings();

        const sim::DeviceId sensor = f.Sim.plugSensor(0x0143, 4321);
        f.Sim.sensor(sensor).setTargetInches(30);
        f.deliverDeviceEvents();

        QCOMPARE(f.title(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 1.43"));
        QCOMPARE(f.App.Model.ConfigLoaded, 1u);
        QCOMPARE(f.App.Model.EditLuid, std::uint16_t{4321});
        QVERIFY(f.App.Model.EditCfg.Sonar[MaxDistS] != 0);
        QCOMPARE(f.shownByPages(), f.heldByModel());
        QCOMPARE(f.advancedEnabled(), QList<bool>({false, false, false}));
        for (int i = 0; i < f.App.Sheet()->pageCount(); ++i) QVERIFY(!f.App.Sheet()->page(i)->isModified());
        QVERIFY(f.Ui.messages().empty());
    }

    void anotherKeyboardChangesNothing()
    {
        RunningApp f;
        f.Sim.plugSensor(0x0405, 1);
        f.start();
        const ConfigSet before = f.App.Model.EditCfg;
        const QStringList shown = f.shownByPages();
        f.enableAdvancedSettings();
        f.Sim.clearTranscript();

        const sim::DeviceId keyboard = f.Sim.plugKeyboard(0x1234, 0x5678);
        f.deliverDeviceEvents();
        f.Sim.unplug(keyboard);
        f.deliverDeviceEvents();

        QVERIFY(f.Sim.transcript().empty());
        QVERIFY(f.App.Model.EditCfg == before);
        QCOMPARE(f.shownByPages(), shown);
        QCOMPARE(f.advancedEnabled(), QList<bool>({true, true, true}));
        QCOMPARE(f.title(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 4.05"));
    }

    void pullingTheOnlySensorOutClearsTheModel()
    {
        RunningApp f;
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405, 9);
        f.start();
        f.App.Model.CloneCfg = f.App.Model.EditCfg;
        f.enableAdvancedSettings();
        QCOMPARE(f.advancedEnabled(), QList<bool>({true, true, true}));

        f.Sim.unplug(sensor);
        f.deliverDeviceEvents();

        QCOMPARE(f.title(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 0.00"));
        QCOMPARE(f.App.Model.ConfigLoaded, 0u);
        QCOMPARE(f.App.Model.DeviceFw, 0);
        QCOMPARE(f.App.Model.DeviceVariant, std::int16_t{-1});
        QVERIFY(f.App.Model.EditCfg == ConfigSet{});
        QVERIFY(f.App.Model.CloneCfg != ConfigSet{});
        // Every page got the refresh: it turns the advanced controls off, and
        // the pages show no values that could be taken for the sensor's.
        QCOMPARE(f.advancedEnabled(), QList<bool>({false, false, false}));
        QCOMPARE(f.shownByPages(), QStringList({"", "", "", ""}));
        for (int i = 0; i < 3; ++i) QVERIFY(!f.App.Sheet()->page(i)->isEnabled());
    }

    void aSecondSensorLeavesTheModelOnTheFirst()
    {
        RunningApp f;
        f.Sim.plugSensor(0x0405, 1);
        f.start();

        const sim::DeviceId second = f.Sim.plugSensor(0x0143, 2);
        f.Sim.sensor(second).Config = sim::factoryDefaults(0x0143);
        f.deliverDeviceEvents();

        QCOMPARE(GetDevCount(), std::int16_t{2});
        QCOMPARE(f.App.Model.EditLuid, std::uint16_t{1});
        QCOMPARE(f.App.Model.DeviceFw, 0x0405);
        QCOMPARE(f.title(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 4.05"));
        QCOMPARE(f.shownByPages(), f.heldByModel());
    }

    // The edited sensor pulled out and back in before the sheet looked (one
    // batch of notifications) may come back changed: it is read again and
    // the pages show what it now holds.
    void theEditedSensorBackWithinOneBatchIsReadAgain()
    {
        RunningApp f;
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405, 1);
        f.start();

        f.Sim.unplug(sensor);
        f.Sim.sensor(sensor).Luid = 9;
        f.Sim.replug(sensor);
        f.deliverDeviceEvents();

        QCOMPARE(f.App.Model.EditLuid, std::uint16_t{9});
        QCOMPARE(f.shownByPages(), f.heldByModel());
        QCOMPARE(f.App.Sheet()->sensorStatus(), QStringLiteral("Sensor 1 of 1: firmware 4.05, LUID 9, sim1"));
    }
};

TOLVANE_REGISTER_TEST(DeviceChangeTest)
#include "DeviceChangeTest.moc"
