// Which sensor the sheet edits: the status words for no sensor, a sensor this
// user may not open, one and two sensors; the chooser switching sensors with
// and without pending changes; and a clone from the first sensor to the
// second without unplugging either.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "AppTestSupport.h"
#include "RunningSheet.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/ResponsiveWaitPlatform.h"
#include "app/SensorChooser.h"
#include "app/SensorStatus.h"
#include "app/SheetStatusLine.h"
#include "app/TolvaneApp.h"
#include "pages/MiscControls.h"
#include "pages/MiscPage.h"
#include "pages/RangePlot.h"
#include "pages/SNRPage.h"
#include "resources/SonarControls.h"

namespace {

const QString kNoPermission = QStringLiteral(
    "A sensor is connected but this user may not open it: install the udev rule 70-tolvane.rules and plug "
    "the sensor in again (README, \"Real sensors: the udev rule\")");

sim::Report report(std::uint8_t command, std::uint8_t sub = 0)
{
    sim::Report bytes{};
    bytes[1] = command;
    bytes[2] = sub;
    return bytes;
}

sim::Report dataReport(const sim::Half& half)
{
    sim::Report bytes{};
    std::copy(half.begin(), half.end(), bytes.begin() + 1);
    return bytes;
}

QStringList itemsOf(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

// The sheet started on three sensors, one of which stops answering at its
// fourth transfer until the USB timeout: what the sheet showed while that
// sensor was still read, and when the pages filled.
struct StalledStartUp : RunningSheet {
    static constexpr std::uint32_t kUsbTimeoutMs = 5000;

    explicit StalledStartUp(int stalledIndex)
    {
        const sim::DeviceId ids[] = {Sim.plugSensor(0x0405, 1), Sim.plugSensor(0x0143, 2),
                                     Sim.plugSensor(0x0412, 3)};
        const std::string stalledPath = Sim.pathOf(ids[stalledIndex]);
        Sim.stallTransferOf(ids[stalledIndex], 4, kUsbTimeoutMs);
        int stalledTransfers = 0;
        // The stalled sensor's thread hands the look at the widgets to the
        // sheet's thread, as the sheet's own reads do.
        Sim.setTransferListener([&, stalledPath](const sim::Transfer& transfer) {
            if (transfer.Path != stalledPath || ++stalledTransfers != 4) return;
            runOnTheWaitingThread([&] {
                ListedDuringTheStall = itemsOf(chooser());
                TitleDuringTheStall = sheet().windowTitle();
            });
        });
        const std::uint64_t start = Sim.nowMs();
        QVERIFY(App.StartUp());
        QObject::connect(&sheet(), &QWidget::windowTitleChanged, [this, start](const QString& title) {
            if (title.contains(QLatin1String("DeviceFW")) && !PagesFilledAfterMs)
                PagesFilledAfterMs = Sim.nowMs() - start;
        });
        showAndStart(sheet());
        Sim.setTransferListener({});
    }

    QStringList ListedDuringTheStall;
    QString TitleDuringTheStall;
    std::optional<std::uint64_t> PagesFilledAfterMs;
};

}  // namespace

class SensorChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void statusWords_data()
    {
        QTest::addColumn<int>("edited");  // -1: none
        QTest::addColumn<int>("inaccessible");
        QTest::addColumn<QString>("words");
        QTest::newRow("no sensor")
            << -1 << 0
            << "No sensor connected: plug the sensor into a USB port and it is read as soon as it arrives";
        QTest::newRow("no permission") << -1 << 1 << kNoPermission;
        QTest::newRow("the first of two") << 0 << 0 << "Sensor 1 of 2: firmware 4.05, LUID 258, /dev/hidraw3";
        QTest::newRow("the second, not yet read") << 1 << 0 << "Sensor 2 of 2: firmware 1.43, sim7";
        QTest::newRow("one more that may not be opened")
            << 0 << 2
            << "Sensor 1 of 2: firmware 4.05, LUID 258, /dev/hidraw3. 2 more sensors connected that this "
               "user "
               "may not open: install the udev rule 70-tolvane.rules and plug the sensor in again (README, "
               "\"Real sensors: the udev rule\")";
    }

    void statusWords()
    {
        QFETCH(int, edited);
        QFETCH(int, inaccessible);
        QFETCH(QString, words);
        const std::vector<SensorFacts> sensors{{0x0405, 258, "\\\\?\\HID#Vid_fff0&Pid_0001#hidraw3"},
                                               {0x0143, std::nullopt, "\\\\?\\HID#Vid_fff0&Pid_0001#sim7"}};
        std::optional<std::size_t> which;
        if (edited >= 0) which = static_cast<std::size_t>(edited);
        QCOMPARE(sensorStatusText(edited >= 0 ? sensors : std::vector<SensorFacts>{}, which,
                                  static_cast<std::size_t>(inaccessible)),
                 words);
    }

    // A sensor that refuses its extension sets, however the sheet comes to
    // edit it: both pages' "Extension Set" boxes are disabled, and the model
    // that Apply asks says the sets were refused.
    void refusedExtensionSetsOnEveryPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("read at start-up") << "start-up";
        QTest::newRow("plugged in") << "plug-in";
        QTest::newRow("chosen") << "chooser";
    }

    void refusedExtensionSetsOnEveryPath()
    {
        QFETCH(QString, path);
        RunningSheet f;
        if (path == "chooser") f.Sim.plugSensor(0x0405, 1);
        const auto plugRefusing = [&f] {
            f.Sim.sensor(f.Sim.plugSensor(0x0405, 2)).ExtensionSetsSupported = false;
        };
        if (path != "plug-in") plugRefusing();
        f.start();
        if (path == "plug-in") {
            plugRefusing();
            f.deliverDeviceEvents();
        }
        if (path == "chooser") f.choose(1);

        QCOMPARE(f.App.Model.EditLuid, std::uint16_t{2});
        QCOMPARE(f.App.Model.ExtensionSetsRefused, 1u);
        int boxes = 0;
        for (const QCheckBox* box : f.sheet().findChildren<QCheckBox*>()) {
            if (box->text().remove('&') != QStringLiteral("Extension Set")) continue;
            ++boxes;
            QVERIFY2(!box->isEnabled(), qPrintable(box->parentWidget()->objectName()));
        }
        QCOMPARE(boxes, 2);
    }

    // Reset All asks about the sensor edited; with others attached the
    // question names it by LUID and node, and nothing is sent on Cancel.
    void resetAllNamesTheSensorAmongOthers_data()
    {
        QTest::addColumn<int>("sensors");
        QTest::addColumn<QString>("named");
        QTest::newRow("the only one") << 1 << QString();
        QTest::newRow("the second of two") << 2 << "LUID 2 (sim2)";
    }

    void resetAllNamesTheSensorAmongOthers()
    {
        QFETCH(int, sensors);
        QFETCH(QString, named);
        RunningSheet f;
        for (std::uint16_t luid = 1; luid <= sensors; ++luid) f.Sim.plugSensor(0x0405, luid);
        f.start();
        f.choose(sensors - 1);
        f.Sim.clearTranscript();

        qobject_cast<QAbstractButton*>(f.App.PageMisc->item(misc::ResetAll))->click();

        QCOMPARE(f.Ui.questions().size(), std::size_t{1});
        const QString& question = f.Ui.questions().front().Text;
        if (named.isEmpty()) {
            QVERIFY(question.startsWith(QStringLiteral("The sensor's configuration will be replaced")));
        } else {
            QVERIFY2(
                question.startsWith(QStringLiteral("The configuration of the sensor %1 will").arg(named)),
                qPrintable(question));
            QVERIFY(question.endsWith(QStringLiteral("Reset the sensor %1 now?").arg(named)));
        }
        QVERIFY(f.Sim.transcript().empty());
    }

    // A range reading belongs to the sensor it came from: when the pages
    // edit another sensor, whether the first was pulled out or the user chose
    // the other, the reading shown goes, and the timed readings stop saying
    // whose they were.
    void aReadingDoesNotOutliveItsSensor_data()
    {
        QTest::addColumn<bool>("pulledOut");
        QTest::newRow("pulled out") << true;
        QTest::newRow("another chosen") << false;
    }

    void aReadingDoesNotOutliveItsSensor()
    {
        QFETCH(bool, pulledOut);
        RunningSheet f;
        const sim::DeviceId first = f.Sim.plugSensor(0x0405, 1);
        f.Sim.plugSensor(0x0405, 2);
        f.start();
        MiscPage& misc = *f.App.PageMisc;
        auto* reading = qobject_cast<QLineEdit*>(misc.item(misc::RangeText));
        auto* automatic = qobject_cast<QAbstractButton*>(misc.item(misc::AutoGetRange));
        auto* timer = misc.findChild<QTimer*>(QStringLiteral("rangeTimer"));
        qobject_cast<QLineEdit*>(misc.item(misc::RangeRate))->setText(QStringLiteral("500"));
        automatic->click();
        f.Sim.sleepMs(500);
        QMetaObject::invokeMethod(timer, "timeout");
        QVERIFY(reading->text().contains(QStringLiteral("InRange")));
        QCOMPARE(reading->toolTip(), QStringLiteral("Read from LUID 1 (sim1)"));

        if (pulledOut) {
            f.Sim.unplug(first);
            f.deliverDeviceEvents();
        } else {
            f.choose(1);
        }

        QCOMPARE(f.App.Model.EditLuid, std::uint16_t{2});
        QVERIFY(reading->text().isEmpty());
        QVERIFY(!automatic->isChecked());
        QVERIFY(!timer->isActive());
        const RangeSeries& series = misc.rangePlot()->series();
        QCOMPARE(series.state(), RangeSeries::State::Stopped);
        QCOMPARE(QString::fromStdString(series.stopReason()),
                 QStringLiteral("they came from LUID 1 (sim1), which is no longer the sensor edited"));
    }

    // The sheet's words follow the sensors as they come and go, including
    // one the platform reports it may not open.
    void statusFollowsTheSensors()
    {
        RunningSheet f;
        f.start();
        QCOMPARE(
            f.sheet().sensorStatus(),
            QStringLiteral(
                "No sensor connected: plug the sensor into a USB port and it is read as soon as it arrives"));
        QCOMPARE(f.sheet().statusLine()->text(),
                 QStringLiteral("Ready | No sensor connected: plug the sensor into a USB port and it is read "
                                "as soon as it arrives"));
        QVERIFY(f.sheet().sensorChooser()->isHidden());

        const sim::DeviceId locked = f.Sim.plugSensor(0x0405, 7);
        f.Sim.denyAccess(locked);
        f.deliverDeviceEvents();
        QCOMPARE(f.sheet().sensorStatus(), kNoPermission);
        QCOMPARE(f.sheet().statusLine()->sensorText(), kNoPermission);
        QCOMPARE(f.App.Model.ConfigLoaded, 0u);

        f.Sim.unplug(locked);
        f.deliverDeviceEvents();
        QCOMPARE(
            f.sheet().sensorStatus(),
            QStringLiteral(
                "No sensor connected: plug the sensor into a USB port and it is read as soon as it arrives"));
        f.Sim.denyAccess(locked, false);
        f.Sim.replug(locked);
        f.deliverDeviceEvents();
        QCOMPARE(f.sheet().sensorStatus(), QStringLiteral("Sensor 1 of 1: firmware 4.05, LUID 7, sim1"));
        QVERIFY(f.sheet().sensorChooser()->isHidden());

        f.Sim.plugSensor(0x0143, 2);
        f.deliverDeviceEvents();
        QCOMPARE(f.sheet().sensorStatus(), QStringLiteral("Sensor 1 of 2: firmware 4.05, LUID 7, sim1"));
        QVERIFY(f.sheet().sensorChooser()->isVisible());
        QCOMPARE(f.chooser()->count(), 2);
        QCOMPARE(f.chooser()->currentIndex(), 0);
        // The sensor that arrived was read: its LUID is known.
        QCOMPARE(f.chooser()->itemText(1), QStringLiteral("Sensor 2 of 2: firmware 1.43, LUID 2, sim2"));
        QVERIFY(f.Ui.messages().empty());
    }

    // At start-up every sensor is read at once: the chooser lists each as its
    // read ends and the pages fill after one read, while a sensor that
    // stopped answering is still waited for; it is listed when it gives up.
    void startUpShowsEachSensorAsItsReadEnds()
    {
        StalledStartUp f(/*stalledIndex=*/2);

        QCOMPARE(f.ListedDuringTheStall, QStringList({"Sensor 1 of 2: firmware 4.05, LUID 1, sim1",
                                                      "Sensor 2 of 2: firmware 1.43, LUID 2, sim2"}));
        QCOMPARE(f.TitleDuringTheStall, QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 4.05"));
        QCOMPARE(f.PagesFilledAfterMs, std::optional<std::uint64_t>(2750));
        QCOMPARE(itemsOf(f.chooser()), QStringList({"Sensor 1 of 3: firmware 4.05, LUID 1, sim1",
                                                    "Sensor 2 of 3: firmware 1.43, LUID 2, sim2",
                                                    "Sensor 3 of 3: firmware 4.12, sim3"}));
        QCOMPARE(f.chooser()->currentIndex(), 0);
        QCOMPARE(f.App.Model.EditLuid, std::uint16_t{1});
    }

    // The pages take the first sensor in the table that reads completely:
    // while the first one is still read, the sensors after it are listed
    // but not shown; once it has failed, the second one is.
    void startUpWaitsForTheFirstSensorBeforeFillingThePages()
    {
        StalledStartUp f(/*stalledIndex=*/0);

        QCOMPARE(f.ListedDuringTheStall, QStringList({"Sensor 1 of 2: firmware 1.43, LUID 2, sim2",
                                                      "Sensor 2 of 2: firmware 4.12, LUID 3, sim3"}));
        QCOMPARE(f.TitleDuringTheStall, QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 0.00"));
        QVERIFY(f.PagesFilledAfterMs >= StalledStartUp::kUsbTimeoutMs);
        QCOMPARE(f.sheet().windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 1.43"));
        QCOMPARE(f.chooser()->currentIndex(), 1);
        QCOMPARE(f.App.Model.EditLuid, std::uint16_t{2});
    }

    // Sensors plugged in together while the sheet runs are read together:
    // the time of one read, each listed with what its read found.
    void sensorsPluggedInTogetherAreReadTogether()
    {
        RunningSheet f;
        f.Sim.plugSensor(0x0405, 1);
        f.start();
        const std::uint64_t start = f.Sim.nowMs();
        for (std::uint16_t luid = 2; luid <= 5; ++luid) f.Sim.plugSensor(0x0405, luid);
        f.deliverDeviceEvents();

        QCOMPARE(f.Sim.nowMs() - start, std::uint64_t{2750});
        QCOMPARE(f.chooser()->count(), 5);
        QCOMPARE(f.chooser()->itemText(4), QStringLiteral("Sensor 5 of 5: firmware 4.05, LUID 5, sim5"));
        QCOMPARE(f.chooser()->currentIndex(), 0);
        QCOMPARE(f.sheet().sensorStatus(), QStringLiteral("Sensor 1 of 5: firmware 4.05, LUID 1, sim1"));
    }

    // While the sheet reads or writes, the line carries the operation's words
    // beside the sensor (none before the first read), and says it is ready
    // again afterwards.
    void statusLineDuringAnOperation()
    {
        RunningSheet f;
        f.Sim.plugSensor(0x0405, 1);
        f.Sim.plugSensor(0x0143, 2);
        QStringList seen;
        f.Sim.setTransferListener([&](const sim::Transfer&) {
            const QString line = f.sheet().statusLine()->text();
            if (seen.isEmpty() || seen.back() != line) seen << line;
        });
        f.start();

        f.typePingRate(QStringLiteral("600"));
        f.sheet().applyButton()->click();
        f.choose(1);

        QCOMPARE(seen,
                 QStringList({"Reading the sensor…",
                              "Writing the Sonar settings… | Sensor 1 of 2: firmware 4.05, LUID 1, sim1",
                              "Reading the sensor… | Sensor 1 of 2: firmware 4.05, LUID 1, sim1"}));
        QCOMPARE(f.sheet().statusLine()->text(),
                 QStringLiteral("Ready | Sensor 2 of 2: firmware 1.43, LUID 2, sim2"));
        f.Sim.setTransferListener({});
    }

    // Choosing the second sensor reads it and refills the pages; pulling the
    // first out then keeps the sheet on the second without reading it again.
    void choosingAnotherSensor()
    {
        RunningSheet f;
        const sim::DeviceId first = f.Sim.plugSensor(0x0405, 1);
        const sim::DeviceId second = f.Sim.plugSensor(0x0143, 2);
        f.Sim.sensor(second).Config[sim::HalfId::Sonar][kPingRateByte] = 200;  // 800 ms
        f.start();
        QCOMPARE(f.pingRate()->text(), QStringLiteral("500"));

        f.choose(1);

        QVERIFY(f.Ui.questions().empty());
        QCOMPARE(f.App.Model.EditLuid, 2);
        QCOMPARE(f.sheet().windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 1.43"));
        QCOMPARE(f.pingRate()->text(), QStringLiteral("800"));
        QCOMPARE(f.sheet().sensorStatus(), QStringLiteral("Sensor 2 of 2: firmware 1.43, LUID 2, sim2"));
        QCOMPARE(f.chooser()->currentIndex(), 1);
        QCOMPARE(LibState().CurrentSlot, 1);
        QVERIFY(f.sentTo(first).empty());
        QVERIFY(!f.committedTo(second));

        f.Sim.clearTranscript();
        f.Sim.unplug(first);
        f.deliverDeviceEvents();
        QVERIFY(f.Sim.transcript().empty());
        QCOMPARE(f.App.Model.EditLuid, 2);
        QCOMPARE(f.sheet().sensorStatus(), QStringLiteral("Sensor 1 of 1: firmware 1.43, LUID 2, sim2"));
        QVERIFY(f.sheet().sensorChooser()->isHidden());
        QCOMPARE(LibState().CurrentSlot, 0);

        // Plugged in again, the first sensor does not take the sheet over.
        f.Sim.replug(first);
        f.deliverDeviceEvents();
        QCOMPARE(f.App.Model.EditLuid, 2);
        QCOMPARE(f.sheet().sensorStatus(), QStringLiteral("Sensor 1 of 2: firmware 1.43, LUID 2, sim2"));
        QCOMPARE(LibState().CurrentSlot, 0);
        QCOMPARE(f.chooser()->currentIndex(), 0);
        QVERIFY(f.Ui.messages().empty());
    }

    // Key sends halted on the sensor left behind are resumed; the box is
    // clear for the sensor now edited.
    void choosingResumesTheSensorLeftBehind()
    {
        RunningSheet f;
        const sim::DeviceId first = f.Sim.plugSensor(0x0405, 1);
        const sim::DeviceId second = f.Sim.plugSensor(0x0405, 2);
        f.start();
        f.sheet().haltKeySendsBox()->click();
        QVERIFY(f.Sim.sensor(first).KeySendsHalted);

        f.choose(1);

        QVERIFY(!f.Sim.sensor(first).KeySendsHalted);
        QVERIFY(!f.Sim.sensor(second).KeySendsHalted);
        QVERIFY(!f.sheet().haltKeySendsBox()->isChecked());
        QCOMPARE(f.App.Model.EditLuid, 2);
    }

    // Pending changes are offered to apply or discard first; Cancel keeps the
    // sheet on its sensor with the changes still pending.
    void choosingWithPendingChanges_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("switched");
        QTest::addColumn<int>("firstPingRate");  // the first sensor's ping rate byte afterwards
        QTest::newRow("apply") << int(Answer::Apply) << true << 150;
        QTest::newRow("discard") << int(Answer::Discard) << true << 125;
        QTest::newRow("cancel") << int(Answer::Cancel) << false << 125;
    }

    void choosingWithPendingChanges()
    {
        QFETCH(int, answer);
        QFETCH(bool, switched);
        QFETCH(int, firstPingRate);
        RunningSheet f;
        const sim::DeviceId first = f.Sim.plugSensor(0x0405, 1);
        const sim::DeviceId second = f.Sim.plugSensor(0x0405, 2);
        f.start();
        f.typePingRate(QStringLiteral("600"));
        f.Ui.queueAnswer(static_cast<Answer>(answer));

        f.choose(1);

        QCOMPARE(f.Ui.questions().size(), std::size_t{1});
        const RecordingUiServices::Question& question = f.Ui.questions().front();
        QCOMPARE(question.Answers, (std::vector<Answer>{Answer::Apply, Answer::Discard, Answer::Cancel}));
        QCOMPARE(question.Default, Answer::Cancel);
        QVERIFY(question.Text.contains(QLatin1String("have not been applied")));
        QCOMPARE(f.Sim.sensor(first).Config[sim::HalfId::Sonar][kPingRateByte], firstPingRate);
        QVERIFY(!f.committedTo(second));
        QCOMPARE(f.App.Model.EditLuid, switched ? 2 : 1);
        QCOMPARE(f.chooser()->currentIndex(), switched ? 1 : 0);
        QCOMPARE(f.pingRate()->text(), switched ? QStringLiteral("500") : QStringLiteral("600"));
        QCOMPARE(f.sheet().applyButton()->isEnabled(), !switched);
        QVERIFY(f.Ui.messages().empty());
    }

    // Save from the first sensor, choose the second, write: the second sensor
    // receives the first one's blocks on its own wire, and keeps its LUID; it
    // is read back, so the pages show the configuration it now holds.
    void cloneWithoutUnplugging()
    {
        RunningSheet f;
        const sim::DeviceId first = f.Sim.plugSensor(0x0405, 1);
        sim::VirtualSensor& source = f.Sim.sensor(first);
        source.Config[sim::HalfId::Sonar][kPingRateByte] = 200;
        source.Config[sim::HalfId::WalkAway1] = {2, 4, 0x05, 0x08, 0, 0, 0, 0};
        source.Config[sim::HalfId::WalkAway2] = {0, 10, 0x4C, 0x0F, 0, 0, 0, 0};
        source.Config[sim::HalfId::WalkAwayEx1] = {1, 0x02, 0, 0, 0, 0, 0, 0};
        source.Config[sim::HalfId::WalkAwayEx2] = {1, 0x04, 0, 0, 0, 0, 0, 0};
        // A dead-target delta the Sonar page shows in whole inches without changing it.
        source.Config[sim::HalfId::Idle][5] = 38;
        const sim::DeviceId second = f.Sim.plugSensor(0x0405, 2);
        f.start();
        MiscPage& misc = *f.App.PageMisc;
        auto button = [&misc](int id) { return qobject_cast<QAbstractButton*>(misc.item(id)); };

        button(misc::SaveClone)->click();
        f.choose(1);
        f.Sim.clearTranscript();
        button(misc::WriteClone)->click();

        QVERIFY(f.sentTo(first).empty());
        const std::vector<sim::Report> wire = f.sentTo(second);
        const std::vector<std::pair<sim::Report, sim::HalfId>> halves{
            {report(0x80), sim::HalfId::Sonar},
            {report(0x81), sim::HalfId::WalkAway1},
            {report(0x82), sim::HalfId::WalkAway2},
            {report(0x83), sim::HalfId::WalkUp1},
            {report(0x84), sim::HalfId::WalkUp2},
            {report(0x8B, 0x08), sim::HalfId::WalkAwayEx1},
            {report(0x8B, 0x09), sim::HalfId::WalkAwayEx2},
            {report(0x8B, 0x0A), sim::HalfId::WalkUpEx1},
            {report(0x8B, 0x0B), sim::HalfId::WalkUpEx2},
            {report(0x85), sim::HalfId::Idle},
        };
        std::vector<sim::Report> expected;
        for (const auto& [command, half] : halves) {
            expected.push_back(command);
            expected.push_back(dataReport(source.Config[half]));
        }
        expected.push_back(report(0x90, 0x3F));
        QVERIFY(wire.size() > expected.size());
        const auto readBack = wire.begin() + static_cast<std::ptrdiff_t>(expected.size());
        QCOMPARE(std::vector<sim::Report>(wire.begin(), readBack), expected);
        QVERIFY(
            std::none_of(readBack, wire.end(), [](const sim::Report& sent) { return sent[1] == kCommit; }));
        QCOMPARE(f.Sim.sensor(second).Config, source.Config);
        QCOMPARE(f.Sim.sensor(second).Luid, 2);
        QCOMPARE(f.pingRate()->text(), QStringLiteral("800"));
        QCOMPARE(f.App.Model.EditLuid, 2);
        QCOMPARE(f.sheet().sensorStatus(), QStringLiteral("Sensor 2 of 2: firmware 4.05, LUID 2, sim2"));
        QVERIFY(f.Ui.messages().empty());
    }
};

TOLVANE_REGISTER_TEST(SensorChoiceTest)
#include "SensorChoiceTest.moc"
