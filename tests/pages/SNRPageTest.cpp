// The Sonar page against a virtual sensor: typing into its edits and clicking
// its boxes, then checking the controls, the model's edit set, the messages,
// and the reports that reach the sensor with their waits.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <algorithm>
#include <memory>
#include <vector>

#include "RecordingUiServices.h"
#include "SonarCorrectionCases.h"
#include "TestPageHost.h"
#include "TestRegistry.h"
#include "config/ConfigModel.h"
#include "config/DeadTargetDelta.h"
#include "devlib/DevLib.h"
#include "pages/SNRPage.h"
#include "pages/WAPage.h"
#include "platform/sim/SimPlatform.h"
#include "resources/KeySetControls.h"
#include "resources/SonarControls.h"

using namespace sonar;

namespace {

using sim::HalfId;

// Sonar half as the sensor holds it: LED flags, ping rate / 4, 40 kHz cycles,
// minimum and maximum distance in sensor units, out-of-range and in-range
// delays, power-up delay.
constexpr sim::Half kSonarHalf = {0x05, 125, 12, 49, 125, 0x35, 0x07, 3};
// Idle half: reserved, press rate, key modifiers and code, flags (dead target
// and minimum-distance fault), dead-target delta 35 units, dead time, blanking.
constexpr sim::Half kIdleHalf = {0, 0, 0, 0, 0x03, 35, 20, 9};

// One exchange of a block write as the transcript shows it: a command report
// with its data report, or the commit with its mask.
struct Exchange {
    std::uint8_t Command;
    std::uint8_t Sub;  // the commit mask for 0x90
    sim::Report Data{};
    std::uint64_t TimeMs;
};

std::vector<Exchange> writeExchanges(const std::vector<sim::Transfer>& transcript)
{
    std::vector<Exchange> exchanges;
    for (std::size_t i = 0; i < transcript.size(); ++i) {
        const sim::Transfer& t = transcript[i];
        Exchange exchange{t.Bytes[1], t.Bytes[2], {}, t.TimeMs};
        if (exchange.Command != 0x90 && i + 1 < transcript.size()) exchange.Data = transcript[++i].Bytes;
        exchanges.push_back(exchange);
    }
    return exchanges;
}

std::vector<std::uint8_t> commandsOf(const std::vector<Exchange>& exchanges)
{
    std::vector<std::uint8_t> commands;
    for (const Exchange& e : exchanges) commands.push_back(e.Command);
    return commands;
}

// A sensor plugged into a fresh sim, read as the sheet reads it, and the page
// created, shown and settled with nothing pending.
struct SonarRig {
    sim::SimPlatform sim;
    ConfigModel model;
    RecordingUiServices ui;
    TestPageHost host;
    sim::DeviceId sensorId = 0;
    std::unique_ptr<SNRPage> page;

    explicit SonarRig(std::uint16_t fw)
    {
        platform::install(&sim);
        ResetLibState();
        sensorId = sim.plugSensor(fw);
        sensor().Config[HalfId::Sonar] = kSonarHalf;
        sensor().Config[HalfId::Idle] = kIdleHalf;
        model.Initialise();
        std::uint32_t firmware = 0;
        OpenSensors(&firmware);
        model.ReadConfigFmDevice();
        model.UpdateDeviceVariant();
        page = std::make_unique<SNRPage>(PageContext{model, ui, host});
        host.addPage(*page);
        page->create();
        page->show();
        sim.clearTranscript();
        ui.clearRecords();
        host.clearRecords();
    }
    ~SonarRig()
    {
        page.reset();
        CloseAllDevices();
        platform::install(nullptr);
    }

    sim::VirtualSensor& sensor() { return sim.sensor(sensorId); }
    QLineEdit* edit(int id) const { return qobject_cast<QLineEdit*>(page->item(id)); }
    QCheckBox* box(int id) const { return qobject_cast<QCheckBox*>(page->item(id)); }
    QString text(int id) const { return edit(id)->text(); }
    // The edit's number; -1 when it shows none.
    int number(int id) const
    {
        bool ok = false;
        const int value = text(id).toInt(&ok);
        return ok ? value : -1;
    }

    void type(int id, const QString& text)
    {
        QLineEdit* const e = edit(id);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    void type(int id, qulonglong number) { type(id, QString::number(number)); }
    void click(int id)
    {
        QCheckBox* const b = box(id);
        QStyleOptionButton option;
        option.initFrom(b);
        const QRect indicator = b->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, b);
        QTest::mouseClick(b, Qt::LeftButton, {}, indicator.center());
    }
    void advanced(bool on) { host.sendPageCommand(PageCommand::AdvancedSettings, on ? 1 : 0); }
    void refresh(int argument) { host.sendPageCommand(PageCommand::Refresh, argument); }
    bool anyFlag() const
    {
        return model.SonarChanged || model.IdleChangedBySonar || model.WalkAwayChangedBySonar ||
               model.WalkUpChangedBySonar;
    }
    std::vector<Exchange> exchanges() const { return writeExchanges(sim.transcript()); }
};

const std::vector<int> kFullLayoutOnly = {1024, 1076, 1077, 1026, 1056, 1072, 1073, 1027, 1074, 1075,
                                          1069, 1061, 1062, 1063, 1070, 1071, 1068, 1044, 1045, 1046};
const std::vector<int> kAlwaysShown = {1028, 1031, 1064, 1065, 1047, 1048, 1030};
const std::vector<int> kNeverShown = {1025, 1059, 1066, 1067, 1023, 1029};
const std::vector<int> kAdvanced = {1066, 1024, 1056, 1061, 1062, 1063, 1030};

}  // namespace

class SNRPageTest : public QObject {
    Q_OBJECT

private slots:
    void layoutAndAdvancedStep_data()
    {
        QTest::addColumn<int>("fw");
        QTest::addColumn<bool>("compact");
        QTest::addColumn<QString>("delayNote");
        QTest::addColumn<bool>("ledsEnabled");
        QTest::newRow("0x0143") << 0x0143 << false << "( 0 to 255 sec )" << true;
        QTest::newRow("0x0141 old firmware") << 0x0141 << false << "( 0 to 15 sec )" << false;
        QTest::newRow("0x0142 old firmware, variant 2") << 0x0142 << true << "( 0 to 15 sec )" << false;
        QTest::newRow("0x0402 variant 2") << 0x0402 << true << "( 0 to 255 sec )" << true;
    }
    void layoutAndAdvancedStep()
    {
        QFETCH(int, fw);
        QFETCH(bool, compact);
        QFETCH(QString, delayNote);
        QFETCH(bool, ledsEnabled);
        SonarRig rig(static_cast<std::uint16_t>(fw));
        QCOMPARE(rig.model.DeviceVariant, compact ? 2 : -1);

        for (int id : kFullLayoutOnly)
            QVERIFY2(rig.page->item(id)->isHidden() == compact, qPrintable(QString::number(id)));
        for (int id : kAlwaysShown)
            QVERIFY2(!rig.page->item(id)->isHidden(), qPrintable(QString::number(id)));
        for (int id : kNeverShown) QVERIFY2(rig.page->item(id)->isHidden(), qPrintable(QString::number(id)));
        QCOMPARE(rig.page->dialogTemplate().Id, 107);
        QCOMPARE(qobject_cast<QLabel*>(rig.page->item(1047))->text(), delayNote);
        QCOMPARE(qobject_cast<QLabel*>(rig.page->item(1048))->text(), delayNote);
        if (!compact) {
            for (int id : {1044, 1045, 1046}) QCOMPARE(rig.page->item(id)->isEnabled(), ledsEnabled);
            QVERIFY(rig.page->item(1026)->isEnabled() && rig.page->item(1027)->isEnabled());
        }

        for (int id : kAdvanced) QVERIFY(!rig.page->item(id)->isEnabled());
        rig.advanced(true);
        for (int id : kAdvanced) QCOMPARE(rig.page->item(id)->isEnabled(), !compact || id == 1030);
        rig.advanced(false);
        for (int id : kAdvanced) QVERIFY(!rig.page->item(id)->isEnabled());
    }

    void refreshLaysOutForAnotherSensor()
    {
        SonarRig rig(0x0143);
        rig.advanced(true);
        rig.model.DeviceFw = 0x0142;  // as the sheet leaves it after another sensor arrived
        rig.model.DeviceVariant = 2;

        rig.refresh(0);

        for (int id : kFullLayoutOnly)
            QVERIFY2(rig.page->item(id)->isHidden(), qPrintable(QString::number(id)));
        QCOMPARE(qobject_cast<QLabel*>(rig.page->item(1047))->text(), "( 0 to 15 sec )");
        QCOMPARE(rig.text(InRangeDelay), "3");  // the packed delays of the same sensor bytes
        QCOMPARE(rig.text(OutOfRangeDelay), "5");
        QVERIFY(!rig.page->item(PowerUpDelay)->isEnabled());
    }

    void fillShowsTheModelWithNothingPending_data()
    {
        QTest::addColumn<int>("fw");
        QTest::newRow("separate delays") << 0x0143;
        QTest::newRow("packed delays") << 0x0141;
    }
    void fillShowsTheModelWithNothingPending()
    {
        QFETCH(int, fw);
        SonarRig rig(static_cast<std::uint16_t>(fw));
        const bool separate = fw >= 0x0143;

        QCOMPARE(rig.text(PingRate), "500");
        QCOMPARE(rig.text(Cycles), "12");
        QCOMPARE(rig.text(MinDist), "14");
        QCOMPARE(rig.text(MaxDist), "36");
        QCOMPARE(rig.text(InRangeDelay), separate ? "7" : "3");
        QCOMPARE(rig.text(OutOfRangeDelay), separate ? "53" : "5");
        QCOMPARE(rig.text(PowerUpDelay), "3");
        QCOMPARE(rig.text(DeadTargetDelta), "11");
        QCOMPARE(rig.text(DeadTargetTime), "20");
        QCOMPARE(rig.text(Blanking), "9");
        QVERIFY(rig.box(MinDistFault)->isChecked() && rig.box(DetectDeadTarget)->isChecked());
        if (separate) {
            QVERIFY(rig.box(NoInRangeLed)->isChecked());
            QVERIFY(!rig.box(NoOutOfRangeLed)->isChecked());
            QVERIFY(rig.box(NoTransitionLed)->isChecked());
        } else {
            QCOMPARE(rig.text(RawLedFlags), "5");
            QCOMPARE(rig.text(RawInRangeDelay), "7");
        }
        QVERIFY(!rig.anyFlag());
        QVERIFY(!rig.page->isModified());
    }

    // The table tolvanectl's set is held to as well: the same typed values
    // leave the same numbers in the edits and the same message.
    void correctionsSharedWithTheCommandLine_data()
    {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < std::size(sonar_cases::kCases); ++i)
            QTest::newRow(sonar_cases::kCases[i].Label) << static_cast<int>(i);
    }
    void correctionsSharedWithTheCommandLine()
    {
        QFETCH(int, index);
        const sonar_cases::Case& c = sonar_cases::kCases[index];
        SonarRig rig(c.Firmware);
        rig.advanced(true);
        for (const sonar_cases::Field& field : c.Typed)
            if (field.Setting) rig.type(field.Control, QString::fromLatin1(field.Text));

        rig.page->CollectStep();

        for (const sonar_cases::Field& field : c.Kept)
            if (field.Setting) QCOMPARE(rig.text(field.Control), QString::fromLatin1(field.Text));
        QStringList expected;
        for (const char* message : c.Messages)
            if (message) expected << QString::fromLatin1(message);
        QCOMPARE(rig.ui.messageTexts(), expected);
    }

    void pingRate_data()
    {
        QTest::addColumn<qulonglong>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("stored");
        const QString tooLow = "The Minimum Ping Rate is 200msec!";
        const QString tooHigh = "The Maximum Ping Rate is 1020msec!";
        QTest::newRow("150") << 150ull << tooLow << 200;
        QTest::newRow("2000") << 2000ull << tooHigh << 1020;
        QTest::newRow("1019") << 1019ull << QString() << 1019;
        QTest::newRow("65736 does not wrap to 200") << 65736ull << tooHigh << 1020;
        QTest::newRow("beyond 32 bits") << 99999999999ull << tooHigh << 1020;
    }
    void pingRate()
    {
        QFETCH(qulonglong, typed);
        QFETCH(QString, message);
        QFETCH(int, stored);
        SonarRig rig(0x0143);
        rig.advanced(true);
        rig.type(PingRate, typed);
        QVERIFY(rig.model.SonarChanged);
        QVERIFY(rig.page->isModified());

        rig.page->CollectStep();

        QCOMPARE(rig.model.EditCfg.Sonar[PingRateS], stored);
        QCOMPARE(rig.text(PingRate), QString::number(stored));
        if (message.isEmpty()) {
            QVERIFY(rig.ui.messages().empty());
        } else {
            QCOMPARE(rig.ui.messages().size(), 1u);
            const auto& shown = rig.ui.messages().front();
            QCOMPARE(shown.Text, message);
            QCOMPARE(shown.Caption, "Ping Rate Error");
            QCOMPARE(shown.Icon, MessageIcon::None);
        }
    }

    void delays_data()
    {
        QTest::addColumn<int>("fw");
        QTest::addColumn<int>("inRange");
        QTest::addColumn<int>("outOfRange");
        QTest::addColumn<int>("powerUp");
        QTest::addColumn<int>("shownIn");
        QTest::addColumn<int>("shownOut");
        QTest::addColumn<int>("shownPowerUp");
        QTest::addColumn<int>("orWord");
        QTest::addColumn<int>("irWord");
        QTest::addColumn<QStringList>("messages");
        const QString inRange255 = "The Maximum In-Range Detection Delay is 255 sec!";
        QTest::newRow("separate, limited to 255")
            << 0x0143 << 300 << 20 << 300 << 255 << 20 << 255 << 20 << 255
            << QStringList{inRange255, "The Maximum Power-up Delay is 255 sec!"};
        QTest::newRow("separate, beyond 16 bits")
            << 0x0143 << 70000 << 0 << 9 << 255 << 0 << 9 << 0 << 255 << QStringList{inRange255};
        QTest::newRow("packed, limited to 15")
            << 0x0141 << 300 << 5 << 9 << 15 << 5 << 9 << 0xF5 << 7
            << QStringList{"The Maximum In-Range Detection Delay is 15 sec!"};
        QTest::newRow("packed 3 and 5") << 0x0142 << 3 << 5 << 9 << 3 << 5 << 9 << 0x35 << 7 << QStringList{};
    }
    void delays()
    {
        QFETCH(int, fw);
        QFETCH(int, inRange);
        QFETCH(int, outOfRange);
        QFETCH(int, powerUp);
        SonarRig rig(static_cast<std::uint16_t>(fw));
        rig.advanced(true);
        rig.type(InRangeDelay, inRange);
        rig.type(OutOfRangeDelay, outOfRange);
        rig.type(PowerUpDelay, powerUp);

        rig.page->CollectStep();

        QTEST(rig.number(InRangeDelay), "shownIn");
        QTEST(rig.number(OutOfRangeDelay), "shownOut");
        QTEST(rig.number(PowerUpDelay), "shownPowerUp");
        QTEST(int(rig.model.EditCfg.Sonar[ORDBTmS]), "orWord");
        QTEST(int(rig.model.EditCfg.Sonar[IRDBTmS]), "irWord");
        // A one-byte number held at its limit is said, in an "Entry Error" box each.
        QTEST(rig.ui.messageTexts(), "messages");
        for (const auto& shown : rig.ui.messages()) QCOMPARE(shown.Caption, "Entry Error");
    }

    void distances_data()
    {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("lo");
        QTest::addColumn<int>("hi");
        QTest::newRow("0 and 0") << 0 << 0 << 1 << 15;
        QTest::newRow("30 and 30") << 30 << 30 << 30 << 31;
        QTest::newRow("80 and 80") << 80 << 80 << 59 << 72;
        QTest::newRow("300 does not wrap to 44") << 300 << 20 << 59 << 60;
        QTest::newRow("max beyond 72") << 14 << 300 << 14 << 72;
        QTest::newRow("max below min") << 20 << 16 << 20 << 21;
        QTest::newRow("accepted as typed") << 14 << 36 << 14 << 36;
    }
    void distances()
    {
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, lo);
        QFETCH(int, hi);
        SonarRig rig(0x0143);
        rig.type(MinDist, min);
        rig.type(MaxDist, max);

        QVERIFY(rig.page->OnApply());

        QCOMPARE(rig.number(MinDist), lo);
        QCOMPARE(rig.number(MaxDist), hi);
        QCOMPARE(rig.model.EditCfg.Sonar[MinDistS], lo);
        QCOMPARE(rig.model.EditCfg.Sonar[MaxDistS], hi);
        QVERIFY(rig.ui.messages().empty());
        // The sensor took the window: the library accepted the block.
        const sim::Half& onSensor = rig.sensor().Config[HalfId::Sonar];
        QCOMPARE(onSensor[3], std::uint8_t(lo * 3.472222 + 0.5));
        QCOMPARE(onSensor[4], std::uint8_t(hi * 3.472222 + 0.5));
        QVERIFY(!rig.model.SonarChanged);
    }

    void deadTargetDeltaRoundTrip()
    {
        for (std::uint32_t inches = 0; inches <= 73; ++inches)
            QCOMPARE(DeltaInchesFromUnits(DeltaUnitsFromInches(inches)), inches);
        QCOMPARE(DeltaUnitsFromInches(73), 253);
        QCOMPARE(kMaxDeltaInches, 74u);
    }

    void stillTargetFields_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("delta 10 inches") << int(DeadTargetDelta) << int(DMTODeltaI) << 10 << 34 << 10;
        QTest::newRow("delta 73 inches") << int(DeadTargetDelta) << int(DMTODeltaI) << 73 << 253 << 73;
        QTest::newRow("delta 300 does not wrap")
            << int(DeadTargetDelta) << int(DMTODeltaI) << 300 << 255 << 74;
        QTest::newRow("dead after 300 does not wrap")
            << int(DeadTargetTime) << int(DMTOTmI) << 300 << 255 << 255;
        QTest::newRow("dead after 40") << int(DeadTargetTime) << int(DMTOTmI) << 40 << 40 << 40;
    }
    void stillTargetFields()
    {
        QFETCH(int, id);
        QFETCH(int, word);
        QFETCH(int, typed);
        QFETCH(int, stored);
        QFETCH(int, shown);
        SonarRig rig(0x0143);
        rig.advanced(true);
        rig.type(id, typed);
        QVERIFY(rig.model.IdleChangedBySonar);
        QVERIFY(!rig.model.SonarChanged);

        QVERIFY(rig.page->OnApply());

        QCOMPARE(rig.model.EditCfg.Idle[word], stored);
        QCOMPARE(rig.number(id), shown);
        QCOMPARE(rig.sensor().Config[HalfId::Idle][word], stored);
        rig.refresh(0);
        QCOMPARE(rig.number(id), shown);
    }

    void sensorDeltaShowsRoundedUpAndIsWrittenBackConverted()
    {
        SonarRig rig(0x0143);  // the sensor holds 35 units
        QCOMPARE(rig.text(DeadTargetDelta), "11");
        rig.advanced(true);
        rig.click(DetectDeadTarget);  // dead-target detection off: the idle block is written
        QVERIFY(rig.page->OnApply());
        QCOMPARE(rig.sensor().Config[HalfId::Idle][4], 0x02);
        QCOMPARE(rig.sensor().Config[HalfId::Idle][5], 38);
    }

    // The fault switch lives in the idle block but counts as a sonar change too:
    // one click writes both blocks.
    void minDistFaultWritesSonarAndIdleBlocks()
    {
        SonarRig rig(0x0143);  // the sensor has the fault on
        rig.advanced(true);
        rig.click(MinDistFault);
        QVERIFY(rig.model.SonarChanged && rig.model.IdleChangedBySonar);
        QCOMPARE(rig.model.EditCfg.Idle[FlagsI], 0x01);

        QVERIFY(rig.page->OnApply());

        QCOMPARE(commandsOf(rig.exchanges()), (std::vector<std::uint8_t>{0x80, 0x90, 0x85, 0x90}));
        QCOMPARE(rig.sensor().Config[HalfId::Idle][4], 0x01);
        QVERIFY(!rig.anyFlag());
    }

    void ledFlags_data()
    {
        QTest::addColumn<int>("fw");
        QTest::addColumn<int>("expected");
        QTest::newRow("boxes clear bits 3 to 15") << 0x0143 << 0x07;
        QTest::newRow("raw field keeps 7 bits") << 0x0141 << 0x7D;
    }
    void ledFlags()
    {
        QFETCH(int, fw);
        QFETCH(int, expected);
        SonarRig rig(static_cast<std::uint16_t>(fw));
        rig.model.EditCfg.Sonar[LEDFlagsS] = 0xFF7D;  // as a template file may leave it
        rig.refresh(0);
        if (fw >= 0x0143)
            rig.click(NoOutOfRangeLed);
        else
            rig.type(OutOfRangeDelay, "4");
        QVERIFY(rig.model.SonarChanged);

        rig.page->CollectStep();

        QCOMPARE(rig.model.EditCfg.Sonar[LEDFlagsS], expected);
    }

    // The raw fields of old firmware carry a word into the byte the sensor
    // gets, as an untouched block would: low bits, never held at a limit.
    void oldFirmwareRawFieldsPassTheirLowBits()
    {
        SonarRig rig(0x0142);
        rig.model.EditCfg.Sonar[IRDBTmS] = 300;  // as a template file may leave it
        rig.model.EditCfg.Sonar[LEDFlagsS] = 0x01AA;
        rig.refresh(0);
        QCOMPARE(rig.text(RawInRangeDelay), "300");
        rig.type(OutOfRangeDelay, "4");

        QVERIFY(rig.page->OnApply());

        QCOMPARE(rig.model.EditCfg.Sonar[IRDBTmS], 44);
        QCOMPARE(rig.model.EditCfg.Sonar[LEDFlagsS], 0x2A);
        QCOMPARE(rig.sensor().Config[HalfId::Sonar][6], 44);
        QCOMPARE(rig.text(RawInRangeDelay), "300");
        QVERIFY(rig.ui.messages().empty());
    }

    void minutesBoxAloneWritesItsBlockWithPendingKeySets_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<bool>("walkAway");
        QTest::newRow("out-of-range minutes") << int(OutOfRangeMinutes) << true;
        QTest::newRow("in-range minutes") << int(InRangeMinutes) << false;
    }
    void minutesBoxAloneWritesItsBlockWithPendingKeySets()
    {
        QFETCH(int, box);
        QFETCH(bool, walkAway);
        SonarRig rig(0x0143);
        // Key sets the Walk-Away or Walk-To page collected in its own apply
        // step, which wrote nothing because this page holds the block. Both
        // blocks share one layout.
        std::uint16_t* block = walkAway ? rig.model.EditCfg.WalkAway.Words : rig.model.EditCfg.WalkUp.Words;
        block[KeyCountWA] = 1;
        block[Key1ModsWA] = 0x05;
        block[Key1CodeWA] = 0x4C;

        rig.click(box);
        QCOMPARE(rig.model.WalkAwayChangedBySonar, walkAway ? 1u : 0u);
        QCOMPARE(rig.model.WalkUpChangedBySonar, walkAway ? 0u : 1u);
        QVERIFY(!rig.model.SonarChanged && !rig.model.IdleChangedBySonar);
        QVERIFY(rig.host.isMarkedModified(*rig.page));

        QVERIFY(rig.page->OnApply());

        const auto exchanges = rig.exchanges();
        const std::uint8_t first = walkAway ? 0x81 : 0x83;
        QCOMPARE(commandsOf(exchanges), (std::vector<std::uint8_t>{first, std::uint8_t(first + 1), 0x90}));
        QCOMPARE(exchanges[2].Sub, walkAway ? 0x06 : 0x18);
        QCOMPARE(exchanges[0].Data[1], 1);     // key count
        QCOMPARE(exchanges[0].Data[3], 0x05);  // key 1 modifiers
        QCOMPARE(exchanges[1].Data[1], 1);     // minutes bit
        QCOMPARE(exchanges[1].Data[3], 0x4C);  // key 1 code
        QCOMPARE(rig.sim.nowMs(), exchanges[2].TimeMs + 1000);
        QVERIFY(!rig.anyFlag());
        QVERIFY(!rig.host.isMarkedModified(*rig.page));
    }

    // Both pages as the sheet applies them: the Walk-Away page first, which
    // collects its key sets and leaves the walk-away block to this page.
    void minutesBoxCarriesTheWalkAwayPagesKeySets()
    {
        SonarRig rig(0x0143);
        rig.model.EditCfg.WalkAway[KeyCountWA] = 1;
        rig.model.EditCfg.WalkAway[Key1ModsWA] = 0;
        rig.model.EditCfg.WalkAway[Key1CodeWA] = 0x04;
        WAPage walkAway(PageContext{rig.model, rig.ui, rig.host});
        rig.host.addPage(walkAway);
        walkAway.create();
        walkAway.OnSetActive();
        QWidget* const rightGui = walkAway.item(res::kWalkAwayKeySets[0].Modifiers[7]);
        QTest::mouseClick(rightGui, Qt::LeftButton, {}, QPoint(6, rightGui->height() / 2));
        QVERIFY(rig.model.WalkAwayChanged);
        rig.click(OutOfRangeMinutes);
        rig.sim.clearTranscript();

        QVERIFY(walkAway.OnApply());
        const auto byWalkAwayPage = commandsOf(rig.exchanges());
        QVERIFY(std::ranges::count(byWalkAwayPage, 0x81) == 0 &&
                std::ranges::count(byWalkAwayPage, 0x82) == 0);
        QVERIFY(!rig.model.WalkAwayChanged);
        rig.sim.clearTranscript();
        QVERIFY(rig.page->OnApply());

        const auto exchanges = rig.exchanges();
        QCOMPARE(commandsOf(exchanges), (std::vector<std::uint8_t>{0x81, 0x82, 0x90}));
        QCOMPARE(exchanges[0].Data[1], 1);     // key count
        QCOMPARE(exchanges[0].Data[3], 0x80);  // key 1 modifiers: right GUI
        QCOMPARE(exchanges[1].Data[1], 1);     // minutes bit
        QCOMPARE(exchanges[1].Data[3], 0x04);  // key 1 code
        QCOMPARE(rig.sim.nowMs(), exchanges[2].TimeMs + 1000);
        QVERIFY(!rig.model.WalkAwayChanged && !rig.model.WalkAwayChangedBySonar);
    }

    void walkAwayPageStillPendingDefersTheBlock()
    {
        SonarRig rig(0x0143);
        rig.click(OutOfRangeMinutes);
        rig.model.WalkAwayChanged = 1;

        QVERIFY(rig.page->OnApply());

        QVERIFY(rig.sim.transcript().empty());
        QVERIFY(rig.model.WalkAwayChangedBySonar);
        QCOMPARE(rig.model.EditCfg.WalkAway[Flags0WA] & 1, 1);
    }

    void refreshWithOneThenApplyWritesFourBlocksEachFollowedByOneSecond()
    {
        SonarRig rig(0x0143);
        rig.refresh(1);
        QVERIFY(rig.model.SonarChanged && rig.model.IdleChangedBySonar && rig.model.WalkAwayChangedBySonar &&
                rig.model.WalkUpChangedBySonar);
        QVERIFY(rig.host.isMarkedModified(*rig.page));
        QCOMPARE(rig.ui.busyBegins(), 1);  // the fill

        QVERIFY(rig.page->OnApply());

        const auto exchanges = rig.exchanges();
        QCOMPARE(commandsOf(exchanges),
                 (std::vector<std::uint8_t>{0x80, 0x90, 0x85, 0x90, 0x81, 0x82, 0x90, 0x83, 0x84, 0x90}));
        const std::vector<std::size_t> commits = {1, 3, 6, 9};
        const std::vector<std::uint8_t> masks = {0x01, 0x20, 0x06, 0x18};
        for (std::size_t i = 0; i < commits.size(); ++i) {
            QCOMPARE(exchanges[commits[i]].Sub, masks[i]);
            const std::uint64_t next =
                i + 1 < commits.size() ? exchanges[commits[i] + 1].TimeMs : rig.sim.nowMs();
            QCOMPARE(next, exchanges[commits[i]].TimeMs + 1000);
        }
        QVERIFY(!rig.anyFlag());
        QVERIFY(!rig.host.isMarkedModified(*rig.page));
        QCOMPARE(rig.ui.busyBegins(), 2);
        QCOMPARE(rig.ui.busyDepth(), 0);
        QVERIFY(rig.ui.messages().empty());
    }

    void applyWithNothingPendingDoesNothing()
    {
        SonarRig rig(0x0143);
        QVERIFY(rig.page->OnApply());
        QVERIFY(rig.sim.transcript().empty());
        QCOMPARE(rig.ui.busyBegins(), 0);
    }

    void activationKeepsAnyPendingChange_data()
    {
        QTest::addColumn<int>("control");
        QTest::addColumn<bool>("isEdit");
        QTest::newRow("sonar edit") << int(OutOfRangeDelay) << true;
        QTest::newRow("still target box") << int(DetectDeadTarget) << false;
        QTest::newRow("out-of-range minutes") << int(OutOfRangeMinutes) << false;
        QTest::newRow("in-range minutes") << int(InRangeMinutes) << false;
    }
    void activationKeepsAnyPendingChange()
    {
        QFETCH(int, control);
        QFETCH(bool, isEdit);
        SonarRig rig(0x0143);
        rig.advanced(true);
        if (isEdit)
            rig.type(control, "42");
        else
            rig.click(control);
        const ConfigModel pending = rig.model;
        const QString shownDelay = rig.text(OutOfRangeDelay);
        rig.model.EditCfg.Sonar[ORDBTmS] = 99;  // a refill would show this

        QVERIFY(rig.page->OnSetActive());

        QCOMPARE(rig.text(OutOfRangeDelay), shownDelay);
        QCOMPARE(rig.model.SonarChanged, pending.SonarChanged);
        QCOMPARE(rig.model.IdleChangedBySonar, pending.IdleChangedBySonar);
        QCOMPARE(rig.model.WalkAwayChangedBySonar, pending.WalkAwayChangedBySonar);
        QCOMPARE(rig.model.WalkUpChangedBySonar, pending.WalkUpChangedBySonar);
        QVERIFY(rig.anyFlag());
        QVERIFY(rig.host.isMarkedModified(*rig.page));
    }

    void activationRefillsWhenNothingIsPending()
    {
        SonarRig rig(0x0143);
        rig.model.EditCfg.Sonar[ORDBTmS] = 99;
        QVERIFY(rig.page->OnSetActive());
        QCOMPARE(rig.text(OutOfRangeDelay), "99");
        QVERIFY(!rig.anyFlag());
    }

    void activationWithoutSensorDropsPendingChanges()
    {
        SonarRig rig(0x0143);
        rig.type(OutOfRangeDelay, "42");
        rig.click(InRangeMinutes);
        rig.model.ConfigLoaded = 0;

        QVERIFY(rig.page->OnSetActive());

        QVERIFY(!rig.anyFlag());
        QVERIFY(!rig.host.isMarkedModified(*rig.page));
        QCOMPARE(rig.text(OutOfRangeDelay), "42");
    }

    void failedWriteShowsItsMessageStopsAndIsRetried_data()
    {
        QTest::addColumn<QString>("block");
        QTest::addColumn<int>("failingTransfer");
        QTest::addColumn<int>("writtenBefore");
        QTest::addColumn<int>("command");
        QTest::newRow("sonar") << "Sonar" << 1 << 0 << 0x80;
        QTest::newRow("idle") << "Idle" << 4 << 1 << 0x85;
        QTest::newRow("walk-away") << "WalkAway" << 7 << 2 << 0x81;
        QTest::newRow("walk-up") << "WalkUp" << 12 << 3 << 0x83;
    }
    void failedWriteShowsItsMessageStopsAndIsRetried()
    {
        QFETCH(QString, block);
        QFETCH(int, failingTransfer);
        QFETCH(int, writtenBefore);
        QFETCH(int, command);
        SonarRig rig(0x0143);
        rig.refresh(1);
        rig.sim.failTransfer(failingTransfer);

        QVERIFY(rig.page->OnApply());

        QCOMPARE(rig.ui.messages().size(), 1u);
        const auto& shown = rig.ui.messages().front();
        QCOMPARE(shown.Text, QString("Failed to Write the device Features (%1)!").arg(block));
        QCOMPARE(shown.Caption, programDisplayName());
        QCOMPARE(shown.Icon, MessageIcon::None);
        QCOMPARE(rig.sim.transcript().size(), std::size_t(failingTransfer));  // nothing after the failure
        const std::uint32_t flags[] = {rig.model.SonarChanged, rig.model.IdleChangedBySonar,
                                       rig.model.WalkAwayChangedBySonar, rig.model.WalkUpChangedBySonar};
        for (int i = 0; i < 4; ++i) QCOMPARE(flags[i], i < writtenBefore ? 0u : 1u);
        QVERIFY(rig.host.isMarkedModified(*rig.page));

        rig.sim.clearTranscript();
        QVERIFY(rig.page->OnApply());

        QCOMPARE(rig.ui.messages().size(), 1u);
        const auto retried = rig.exchanges();
        QCOMPARE(int(retried.front().Command), command);
        QCOMPARE(std::ranges::count(commandsOf(retried), 0x90), 4 - writtenBefore);
        QVERIFY(!rig.anyFlag());
        QVERIFY(!rig.host.isMarkedModified(*rig.page));
    }
};

TOLVANE_REGISTER_TEST(SNRPageTest)
#include "SNRPageTest.moc"
