// A user's session with tolvane-sim, end to end through the real sheet and
// pages: a key and the ping rate changed and applied on one sensor, saved to a
// file, then restored onto another sensor plugged in in its place.

#include <algorithm>

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "AppTestSupport.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/TolvaneApp.h"
#include "pages/MiscControls.h"
#include "pages/MiscPage.h"
#include "pages/SNRPage.h"
#include "pages/WAPage.h"
#include "resources/SonarControls.h"

namespace {

enum Tab { WalkAwayTab = 0, SonarTab = 2, MiscTab = 3 };
constexpr int kFirstKeyList = 1015;  // the key list of the Walk-Away page's first key set
constexpr std::uint8_t kPingRateSteps300Ms = 75;
constexpr std::size_t kDeadTargetDeltaByte = 5;
constexpr std::uint8_t kExactDeadTargetDelta = 34;  // 10 inches

struct UserSession : SimFixture {
    UserSession() : Watcher(followSimDevices(Sim)), App(Ui, Watcher) {}

    PropSheet& sheet() const { return *App.Sheet(); }
    void showTab(Tab tab) const { sheet().tabs()->setCurrentIndex(tab); }

    // A click where the user would put the pointer: on a box's indicator or
    // in the middle of a push button.
    static void click(QWidget* widget)
    {
        const bool box = !qobject_cast<QPushButton*>(widget);
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier,
                          box ? QPoint(6, widget->height() / 2) : widget->rect().center());
    }
    void clickMisc(int id) const { click(App.PageMisc->item(id)); }

    static void retype(QWidget* widget, const QString& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(widget);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    void plugAndDeliver(sim::DeviceId& id, std::uint16_t luid)
    {
        id = Sim.plugSensor(0x0405, luid);
        deliverDeviceEvents();
    }

    // The last data report sent to a device after the command report of one
    // block half: what went over that device's wire for the half.
    sim::Half lastDataSent(sim::DeviceId id, std::uint8_t command) const
    {
        sim::Half data{};
        bool afterCommand = false;
        for (const sim::Transfer& transfer : Sim.transcript()) {
            if (transfer.Dir != sim::Transfer::Set || transfer.Path != Sim.pathOf(id) || !transfer.Ok)
                continue;
            if (afterCommand && transfer.Bytes[1] < 0x80)
                std::copy(transfer.Bytes.begin() + 1, transfer.Bytes.end(), data.begin());
            afterCommand = transfer.Bytes[1] == command;
        }
        return data;
    }

    DeviceWatcher Watcher;
    CTolvaneApp App;
};

}  // namespace

class UserSessionTest : public QObject {
    Q_OBJECT
private slots:
    void configurationMovesToAnotherSensorThroughAFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("desk.txt"));
        UserSession s;
        const sim::DeviceId first = s.Sim.plugSensor(0x0405, 0x1111);
        // A dead-target delta that the Sonar page shows in whole inches without rounding.
        s.Sim.sensor(first).Config[sim::HalfId::Idle][kDeadTargetDeltaByte] = kExactDeadTargetDelta;
        QVERIFY(s.App.StartUp());
        s.showAndStart(s.sheet());
        const sim::SensorHalves original = s.Sim.sensor(first).Config;

        // Another key for the first key set of the walk-away sequence.
        s.showTab(WalkAwayTab);
        auto* keyList = qobject_cast<QComboBox*>(s.App.PageWalkAway->item(kFirstKeyList));
        keyList->setFocus();
        QTest::keyClick(keyList, Qt::Key_Down);
        // A slower ping rate, which only the advanced settings unlock.
        s.showTab(MiscTab);
        s.clickMisc(misc::AdvancedSettings);
        s.showTab(SonarTab);
        UserSession::retype(s.App.PageSonar->item(sonar::PingRate), QStringLiteral("300"));
        QVERIFY(s.sheet().applyButton()->isEnabled());
        UserSession::click(s.sheet().applyButton());
        const sim::SensorHalves configured = s.Sim.sensor(first).Config;
        QCOMPARE(configured[sim::HalfId::Sonar][1], kPingRateSteps300Ms);
        QVERIFY(configured[sim::HalfId::WalkAway2] != original[sim::HalfId::WalkAway2]);
        QVERIFY(!s.sheet().applyButton()->isEnabled());

        s.showTab(MiscTab);
        s.Ui.queueFileAnswer(path);
        s.clickMisc(misc::SaveToFile);
        QVERIFY(QFile::exists(path));

        s.Sim.unplug(first);
        s.deliverDeviceEvents();
        sim::DeviceId second = 0;
        s.plugAndDeliver(second, 0x2222);
        const sim::SensorHalves secondsOwn = s.Sim.sensor(second).Config;

        s.Ui.queueFileAnswer(path);
        s.clickMisc(misc::RestoreFromFile);
        QVERIFY(s.Sim.sensor(second).Config == secondsOwn);
        UserSession::click(s.sheet().applyButton());

        QCOMPARE(s.lastDataSent(second, 0x80), configured[sim::HalfId::Sonar]);
        QCOMPARE(s.lastDataSent(second, 0x82), configured[sim::HalfId::WalkAway2]);
        QVERIFY(s.Sim.sensor(second).Config == configured);
        QCOMPARE(s.Sim.sensor(second).Luid, std::uint16_t{0x2222});
        QCOMPARE(s.Ui.messageTexts(), QStringList{});
        QVERIFY(!s.sheet().applyButton()->isEnabled());
    }
};

TOLVANE_REGISTER_TEST(UserSessionTest)
#include "UserSessionTest.moc"
