// The sheet shows what the sensor holds: after Apply of values the sensor
// keeps in its own steps, after a LUID is written, and while another sensor
// is read after the user discarded pending changes. A configuration saved to
// a file is offered a name and confirmed on the status line.

#include <QAbstractButton>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "AppTestSupport.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/SensorChooser.h"
#include "app/SheetStatusLine.h"
#include "app/TolvaneApp.h"
#include "pages/MiscControls.h"
#include "pages/MiscPage.h"
#include "pages/SNRPage.h"
#include "pages/WAPage.h"
#include "resources/SonarControls.h"

namespace {

constexpr int kWalkAwayDelayField = 1014;
constexpr int kSonarPage = 2;

// Records the names the save choosers suggest.
class SuggestionsRecorded : public RecordingUiServices {
public:
    QStringList Suggested;
    QString chooseFileToSave(QWidget* owner, const QString& suggestedName) override
    {
        Suggested << suggestedName;
        return RecordingUiServices::chooseFileToSave(owner, suggestedName);
    }
};

struct ShownSheet : SimFixture {
    ShownSheet() : Watcher(followSimDevices(Sim)), App(SavingUi, Watcher) {}

    void start()
    {
        QVERIFY(App.StartUp());
        SimFixture::showAndStart(*App.Sheet());
    }

    PropSheet& sheet() const { return *App.Sheet(); }
    QLineEdit* walkAwayDelay() const
    {
        return qobject_cast<QLineEdit*>(App.PageWalkAway->item(kWalkAwayDelayField));
    }
    QLineEdit* luid() const { return qobject_cast<QLineEdit*>(App.PageMisc->item(misc::Luid)); }
    void clickMisc(int id) const { qobject_cast<QAbstractButton*>(App.PageMisc->item(id))->click(); }

    SuggestionsRecorded SavingUi;
    DeviceWatcher Watcher;
    CTolvaneApp App;
};

}  // namespace

class ShownValuesTest : public QObject {
    Q_OBJECT
private slots:
    // The sensor counts the inter-key delay in 64 ms steps: 200 typed is 192
    // stored, and the page says so after Apply; the LUID written is the one
    // the status line names.
    void applyShowsWhatTheSensorStored()
    {
        ShownSheet f;
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405, 0);
        f.start();
        f.clickMisc(misc::AdvancedSettings);
        f.walkAwayDelay()->setText(QStringLiteral("200"));
        f.luid()->setText(QStringLiteral("5"));

        f.sheet().applyButton()->click();

        QCOMPARE(f.Sim.sensor(sensor).Luid, 5);
        QCOMPARE(f.walkAwayDelay()->text(), QStringLiteral("192"));
        QCOMPARE(f.luid()->text(), QStringLiteral("5"));
        QCOMPARE(f.sheet().statusLine()->text(),
                 QStringLiteral("Ready | Sensor 1 of 1: firmware 4.05, LUID 5, sim1"));
        QVERIFY(!f.sheet().applyButton()->isEnabled());
        for (int i = 0; i < f.sheet().pageCount(); ++i) QVERIFY(!f.sheet().page(i)->isModified());
        QVERIFY(f.SavingUi.messages().empty());
    }

    // The read-back after Apply refreshes the values only: the advanced
    // settings stay on, the page stays, and the field typed in keeps the
    // focus, so the user can correct it again at once.
    void applyKeepsTheUsersPlace()
    {
        ShownSheet f;
        f.Sim.plugSensor(0x0405, 0);
        f.start();
        f.clickMisc(misc::AdvancedSettings);
        f.sheet().tabs()->setCurrentIndex(kSonarPage);
        QLineEdit* pingRate = qobject_cast<QLineEdit*>(f.App.PageSonar->item(sonar::PingRate));
        pingRate->setFocus();
        QTRY_VERIFY(pingRate->hasFocus());
        pingRate->setText(QStringLiteral("300"));

        f.sheet().applyButton()->click();

        QVERIFY(!f.sheet().applyButton()->isEnabled());
        QVERIFY(qobject_cast<QAbstractButton*>(f.App.PageMisc->item(misc::AdvancedSettings))->isChecked());
        QVERIFY(pingRate->isEnabled());
        QCOMPARE(f.sheet().tabs()->currentIndex(), kSonarPage);
        QVERIFY(pingRate->hasFocus());
    }

    // "Save To File" suggests the LUID and the day for a name; the status line
    // confirms the file saved, and then the file restored, until the next
    // operation.
    void savedAndRestoredFilesAreConfirmed()
    {
        ShownSheet f;
        f.Sim.plugSensor(0x0405, 7);
        f.start();
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath(QStringLiteral("kept.txt"));
        f.SavingUi.queueFileAnswer(path);

        f.clickMisc(misc::SaveToFile);

        QCOMPARE(
            f.SavingUi.Suggested,
            QStringList(
                {QStringLiteral("tolvane-luid7-%1.txt").arg(QDate::currentDate().toString(Qt::ISODate))}));
        QVERIFY(QFile::exists(path));
        QCOMPARE(f.sheet().statusLine()->activityText(),
                 QStringLiteral("Saved the configuration to %1").arg(QDir::toNativeSeparators(path)));
        QVERIFY(f.SavingUi.messages().empty());

        f.SavingUi.queueFileAnswer(path);
        f.clickMisc(misc::RestoreFromFile);
        QCOMPARE(f.sheet().statusLine()->activityText(),
                 QStringLiteral("Restored the configuration from %1: Apply writes it to the sensor")
                     .arg(QDir::toNativeSeparators(path)));
        QVERIFY(f.sheet().applyButton()->isEnabled());
        QVERIFY(f.SavingUi.messages().empty());

        f.clickMisc(misc::GetRange);
        QCOMPARE(f.sheet().statusLine()->activityText(), QStringLiteral("Ready"));
    }

    // A write that fails keeps what the user typed on the page, to apply again.
    void aFailedApplyKeepsTheTypedValues()
    {
        ShownSheet f;
        f.Sim.plugSensor(0x0405, 0);
        f.start();
        f.clickMisc(misc::AdvancedSettings);
        f.walkAwayDelay()->setText(QStringLiteral("200"));
        f.Sim.failAllTransfers();

        f.sheet().applyButton()->click();

        QCOMPARE(f.walkAwayDelay()->text(), QStringLiteral("200"));
        QVERIFY(f.App.PageWalkAway->isModified());
        QVERIFY(!f.SavingUi.messages().empty());
    }

    // Switching sensors after "Discard": while the other sensor is read the
    // pages are unavailable and the status line says it is reading; then the
    // pages show the new sensor and are available again.
    void discardedEditIsNotOfferedWhileTheNextSensorIsRead()
    {
        ShownSheet f;
        f.Sim.plugSensor(0x0405, 1);
        const sim::DeviceId second = f.Sim.plugSensor(0x0405, 2);
        f.Sim.sensor(second).Config[sim::HalfId::WalkAway1][1] = 5;  // 320 ms
        f.start();
        f.clickMisc(misc::AdvancedSettings);
        f.walkAwayDelay()->setText(QStringLiteral("640"));
        f.SavingUi.queueAnswer(Answer::Discard);
        int waits = 0;
        int waitsWithPagesAvailable = 0;
        QStringList activities;
        f.Sim.DuringWait = [&](std::uint32_t) {
            ++waits;
            for (int i = 0; i < f.sheet().pageCount(); ++i)
                if (f.sheet().page(i)->isEnabled()) ++waitsWithPagesAvailable;
            const QString activity = f.sheet().statusLine()->activityText();
            if (!activities.contains(activity)) activities << activity;
        };

        QComboBox* chooser = f.sheet().sensorChooser()->list();
        QTest::keyClick(chooser, Qt::Key_Down);
        f.Sim.DuringWait = {};

        QCOMPARE(f.SavingUi.questions().size(), std::size_t{1});
        QVERIFY(waits > 0);
        QCOMPARE(waitsWithPagesAvailable, 0);
        QCOMPARE(activities, QStringList({"Reading the sensor…"}));
        QCOMPARE(f.App.Model.EditLuid, 2);
        QCOMPARE(f.walkAwayDelay()->text(), QStringLiteral("320"));
        for (int i = 0; i < f.sheet().pageCount(); ++i) QVERIFY(f.sheet().page(i)->isEnabled());
        QVERIFY(!f.sheet().applyButton()->isEnabled());
    }
};

TOLVANE_REGISTER_TEST(ShownValuesTest)
#include "ShownValuesTest.moc"
