#include "config/ConfigModel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "devlib/DevLib.h"
#include "platform/sim/SimPlatform.h"

namespace {

using sim::HalfId;

// The exchanges on the wire in readable form: "r 80" a read exchange,
// "w 8B/0A" a write exchange, "commit 21" the commit with its mask, "cmd D0"
// a command report with nothing after it.
std::vector<std::string> Exchanges(const sim::SimPlatform& sim)
{
    std::vector<std::string> exchanges;
    bool dataFollows = false;
    for (const sim::Transfer& t : sim.transcript()) {
        if (t.Dir == sim::Transfer::Get) {
            if (!exchanges.empty()) exchanges.back()[0] = 'r';
            dataFollows = false;
            continue;
        }
        if (dataFollows) {
            dataFollows = false;
            continue;
        }
        const std::uint8_t command = t.Bytes[1];
        char text[16];
        if (command == 0x90) {
            std::snprintf(text, sizeof text, "commit %02X", t.Bytes[2]);
        } else if (command == 0x8B) {
            std::snprintf(text, sizeof text, "w 8B/%02X", t.Bytes[2]);
            dataFollows = true;
        } else if ((command >= 0x80 && command <= 0x85) || command == 0x8A) {
            std::snprintf(text, sizeof text, "w %02X", command);
            dataFollows = true;
        } else {
            std::snprintf(text, sizeof text, "cmd %02X", command);
        }
        exchanges.push_back(text);
    }
    return exchanges;
}

class ConfigModelTest : public ::testing::Test {
protected:
    ConfigModelTest()
    {
        platform::install(&sim);
        ResetLibState();
        model.Initialise();
        model.SetLibVersion(5, 8, 0);
    }
    ~ConfigModelTest() override { CloseAllDevices(); }

    // Plugs sensors, opens them and reads the first into the model; the
    // transcript starts empty afterwards.
    void OpenAndRead(int expectedCount)
    {
        ASSERT_EQ(OpenSensors(nullptr), 1);
        ASSERT_EQ(model.ReadConfigFmDevice(), expectedCount);
        sim.clearTranscript();
    }

    void SetEveryFlag()
    {
        for (std::uint32_t* flag : AllFlags()) *flag = 1;
    }

    std::vector<std::uint32_t*> AllFlags()
    {
        return {&model.SonarChanged,    &model.WalkAwayChanged,      &model.WalkAwayChangedBySonar,
                &model.WalkUpChanged,   &model.WalkUpChangedBySonar, &model.WalkAwayExChanged,
                &model.WalkUpExChanged, &model.IdleChangedBySonar,   &model.LuidChanged};
    }

    tsDevSlot& Slot() { return LibState().Slots[0]; }

    sim::SimPlatform sim;
    ConfigModel model;
};

TEST_F(ConfigModelTest, ReadWithoutSensorClearsTheEditSetAndKeepsTheCloneSet)
{
    model.EditCfg.Sonar[PingRateS] = 500;
    model.EditCfg.Idle[FlagsI] = 3;
    model.DeviceFw = 0x0405;
    model.EditLuid = 77;
    model.ConfigLoaded = 1;
    model.DeviceVariant = 2;
    model.SonarChanged = 1;
    model.SaveCloneCfg();
    const ConfigSet clone = model.CloneCfg;

    EXPECT_EQ(model.ReadConfigFmDevice(), 0);

    EXPECT_EQ(model.EditCfg, ConfigSet{});
    EXPECT_EQ(model.DeviceFw, 0);
    EXPECT_EQ(model.EditLuid, 0);
    EXPECT_EQ(model.ConfigLoaded, 0u);
    EXPECT_EQ(model.CloneCfg, clone);
    EXPECT_EQ(model.SonarChanged, 1u);
    EXPECT_EQ(model.DeviceVariant, 2);
}

TEST_F(ConfigModelTest, ReadWithTwoSensorsCountsBothAndHoldsTheFirst)
{
    const sim::DeviceId first = sim.plugSensor(0x0405, 0x1111);
    sim.sensor(first).Config[HalfId::Sonar][7] = 9;         // StartDlyS
    sim.sensor(first).Config[HalfId::WalkUpEx1][7] = 0x42;  // Key7ModsWUEx
    const sim::DeviceId second = sim.plugSensor(0x0390, 0x2222);
    sim.sensor(second).Config[HalfId::Sonar][7] = 4;

    OpenAndRead(2);

    EXPECT_EQ(model.DeviceFw, 0x0405);
    EXPECT_EQ(model.EditLuid, 0x1111);
    EXPECT_EQ(model.ConfigLoaded, 1u);
    EXPECT_EQ(model.EditCfg, BlocksOf(LibState().Slots[0]));
    EXPECT_EQ(model.EditCfg.Sonar[StartDlyS], 9);
    EXPECT_EQ(model.EditCfg.WalkUpEx[Key7ModsWUEx], 0x42);
}

// The model holds the sensor the sheet chose; the commands that re-read the
// sensor read that one again, not the first.
TEST_F(ConfigModelTest, ReadsAndResetsTheChosenSlot)
{
    const sim::DeviceId first = sim.plugSensor(0x0405, 0x1111);
    const sim::DeviceId second = sim.plugSensor(0x0390, 0x2222);
    sim.sensor(second).Config[HalfId::Sonar][7] = 4;
    OpenAndRead(2);

    SelectDev(1);
    ASSERT_EQ(model.ReadConfigFmDevice(), 2);
    EXPECT_EQ(model.EditLuid, 0x2222);
    EXPECT_EQ(model.DeviceFw, 0x0390);
    EXPECT_EQ(model.EditCfg.Sonar[StartDlyS], 4);
    EXPECT_EQ(LibState().CurrentSlot, 1);

    sim.clearTranscript();
    ASSERT_EQ(model.ResetDeviceToFactory(), 1);
    EXPECT_EQ(model.EditLuid, 0x2222);
    EXPECT_EQ(sim.sensor(second).Config, sim::factoryDefaults(0x0390));
    for (const sim::Transfer& transfer : sim.transcript()) EXPECT_EQ(transfer.Path, sim.pathOf(second));

    // A slot that is no longer there falls back to the first sensor.
    sim.unplug(second);
    OnDevRemoval(sim.pathOf(second).c_str());
    ASSERT_EQ(model.ReadConfigFmDevice(), 1);
    EXPECT_EQ(GetCurrentDev(), 0);
    EXPECT_EQ(model.EditLuid, 0x1111);
    EXPECT_EQ(std::string(LibState().Slots[0].DevicePath), sim.pathOf(first));
}

// One failing sensor hides none of the others: the model holds the first
// sensor that reads completely, and the edits go to that sensor.
TEST_F(ConfigModelTest, ReadSkipsASensorWhoseReadFails)
{
    const sim::DeviceId failing = sim.plugSensor(0x0405, 1);
    const sim::DeviceId healthy = sim.plugSensor(0x0143, 2);
    ASSERT_EQ(OpenSensors(nullptr), 1);
    sim.failTransfer(3);  // the failing sensor's second command report

    EXPECT_EQ(model.ReadConfigFmDevice(), 2);

    EXPECT_EQ(model.ConfigLoaded, 1u);
    EXPECT_EQ(model.EditLuid, 2);
    EXPECT_EQ(model.DeviceFw, 0x0143);
    EXPECT_EQ(LibState().CurrentSlot, 1);
    model.EditCfg.Sonar[PingRateS] = 800;
    sim.clearTranscript();
    ASSERT_EQ(model.WriteSonarToDevice(), 1);
    EXPECT_EQ(sim.sensor(healthy).Config[HalfId::Sonar][1], 200);
    EXPECT_NE(sim.sensor(failing).Config[HalfId::Sonar][1], 200);
}

// The count an unprogrammed extension set reports is cleaned on read, so
// the set can be written, saved to a file and cloned like any other.
TEST_F(ConfigModelTest, AnUnprogrammedExtensionSetCanBeStoredAgain)
{
    const sim::DeviceId id = sim.plugSensor();
    sim.sensor(id).Config[HalfId::WalkAwayEx1][0] = 0xFF;
    sim.sensor(id).Config[HalfId::WalkUpEx1][0] = 0x0C;
    OpenAndRead(1);

    EXPECT_EQ(model.EditCfg.WalkAwayEx[KeyCountWAEx], 0);
    EXPECT_EQ(model.EditCfg.WalkUpEx[KeyCountWUEx], 0);
    EXPECT_EQ(model.WriteWalkAwayExToDevice(), 1);
    EXPECT_EQ(model.WriteWalkUpExToDevice(), 1);
    EXPECT_EQ(model.PushConfigToLib(), 1);
    model.SaveCloneCfg();
    EXPECT_EQ(model.WriteCloneToDevice(), 1);
}

TEST_F(ConfigModelTest, PushStopsAtARejectedWalkAwayBlock)
{
    sim.plugSensor(0x0405, 0x1111);
    OpenAndRead(1);
    const tsDevSlot before = Slot();
    model.EditCfg.Sonar[PingRateS] = 600;
    model.EditCfg.WalkAway[KeyCountWA] = 7;
    model.EditCfg.WalkUp[Key1CodeWU] = 0x2C;
    model.EditLuid = 0x2222;

    EXPECT_EQ(model.PushConfigToLib(), 0);

    EXPECT_EQ(Slot().Sonar, model.EditCfg.Sonar);
    EXPECT_EQ(Slot().DirtySonar, 1u);
    EXPECT_EQ(Slot().WalkAway, before.WalkAway);
    EXPECT_EQ(Slot().WalkUp, before.WalkUp);
    for (std::uint32_t dirty : {Slot().DirtyWalkAway, Slot().DirtyWalkUp, Slot().DirtyWalkAwayEx,
                                Slot().DirtyWalkUpEx, Slot().DirtyIdle, Slot().LuidDirty})
        EXPECT_EQ(dirty, 0u);
    EXPECT_EQ(Slot().Luid, 0x1111);
    EXPECT_TRUE(sim.transcript().empty());
}

TEST_F(ConfigModelTest, AfterPushASingleBlockWriteSendsEveryBlockAndTheLuid)
{
    const sim::DeviceId id = sim.plugSensor(0x0405, 0x1111);
    OpenAndRead(1);
    model.EditCfg.Sonar[StartDlyS] = 21;
    model.EditCfg.WalkAway[Key1CodeWA] = 0x04;
    model.EditCfg.WalkUp[Key2CodeWU] = 0x05;
    model.EditCfg.WalkAwayEx[Key7CodeWAEx] = 0x06;
    model.EditCfg.WalkUpEx[Key7ModsWUEx] = 0x07;
    model.EditCfg.Idle[DMTOTmI] = 22;
    model.EditLuid = 0x3333;
    const ConfigSet pushed = model.EditCfg;
    SetEveryFlag();
    ASSERT_EQ(model.PushConfigToLib(), 1);

    EXPECT_EQ(model.WriteSonarToDevice(), 1);

    EXPECT_EQ(Exchanges(sim),
              (std::vector<std::string>{"w 80", "w 81", "w 82", "w 83", "w 84", "w 8B/08", "w 8B/09",
                                        "w 8B/0A", "w 8B/0B", "w 85", "commit 3F", "w 8A"}));
    EXPECT_EQ(sim.sensor(id).Luid, 0x3333);
    EXPECT_EQ(model.SonarChanged, 0u);
    EXPECT_EQ(model.WalkAwayChanged, 1u);
    EXPECT_EQ(model.LuidChanged, 1u);

    ASSERT_EQ(model.ReadConfigFmDevice(), 1);
    EXPECT_EQ(model.EditCfg, pushed);
    EXPECT_EQ(model.EditLuid, 0x3333);
}

struct BlockWriter {
    const char* name;
    int (ConfigModel::*write)();
    std::uint32_t ConfigModel::*flag;  // null: the writer clears none
    std::vector<std::string> exchanges;
};

TEST_F(ConfigModelTest, EachWriterSendsItsBlockAndClearsOnlyItsFlag)
{
    const std::vector<BlockWriter> writers = {
        {"sonar", &ConfigModel::WriteSonarToDevice, &ConfigModel::SonarChanged, {"w 80", "commit 01"}},
        {"walk-away",
         &ConfigModel::WriteWalkAwayToDevice,
         &ConfigModel::WalkAwayChanged,
         {"w 81", "w 82", "commit 06"}},
        {"walk-up",
         &ConfigModel::WriteWalkUpToDevice,
         &ConfigModel::WalkUpChanged,
         {"w 83", "w 84", "commit 18"}},
        {"walk-away extension",
         &ConfigModel::WriteWalkAwayExToDevice,
         &ConfigModel::WalkAwayExChanged,
         {"w 8B/08", "w 8B/09", "commit 06"}},
        {"walk-up extension",
         &ConfigModel::WriteWalkUpExToDevice,
         &ConfigModel::WalkUpExChanged,
         {"w 8B/0A", "w 8B/0B", "commit 18"}},
        {"idle", &ConfigModel::WriteIdleToDevice, nullptr, {"w 85", "commit 20"}},
        {"LUID", &ConfigModel::WriteLuidToDevice, &ConfigModel::LuidChanged, {"commit 00", "w 8A"}},
    };
    sim.plugSensor();
    OpenAndRead(1);

    for (const BlockWriter& writer : writers) {
        SCOPED_TRACE(writer.name);
        sim.clearTranscript();
        SetEveryFlag();

        EXPECT_EQ((model.*writer.write)(), 1);

        EXPECT_EQ(Exchanges(sim), writer.exchanges);
        for (std::uint32_t ConfigModel::*flag :
             {&ConfigModel::SonarChanged, &ConfigModel::WalkAwayChanged, &ConfigModel::WalkAwayChangedBySonar,
              &ConfigModel::WalkUpChanged, &ConfigModel::WalkUpChangedBySonar,
              &ConfigModel::WalkAwayExChanged, &ConfigModel::WalkUpExChanged,
              &ConfigModel::IdleChangedBySonar, &ConfigModel::LuidChanged})
            EXPECT_EQ(model.*flag, flag == writer.flag ? 0u : 1u);
    }
}

// Old firmware refuses the extension sets: the read goes on and notes it, and
// an extension write fails with its flag kept, the other blocks committed.
TEST_F(ConfigModelTest, ASensorRefusingTheExtensionSets)
{
    const sim::DeviceId id = sim.plugSensor(0x0143);
    sim.sensor(id).ExtensionSetsSupported = false;
    OpenAndRead(1);
    EXPECT_EQ(model.ConfigLoaded, 1u);
    EXPECT_EQ(model.ExtensionSetsRefused, 1u);

    for (const auto& [write, flag] :
         {std::pair{&ConfigModel::WriteWalkAwayExToDevice, &ConfigModel::WalkAwayExChanged},
          std::pair{&ConfigModel::WriteWalkUpExToDevice, &ConfigModel::WalkUpExChanged}}) {
        sim.clearTranscript();
        model.*flag = 1;
        model.EditCfg.Sonar[StartDlyS] = 3;
        ASSERT_EQ(SetSonarParms(&model.EditCfg.Sonar), 1);

        EXPECT_EQ((model.*write)(), 0);

        EXPECT_EQ(model.*flag, 1u);
        // The sonar block went on and was committed.
        const sim::Transfer& last = sim.transcript().back();
        EXPECT_TRUE(last.Ok);
        EXPECT_EQ(last.Bytes[1], 0x90);
        EXPECT_EQ(last.Bytes[2], 0x01);
    }

    // The same sensor with the sets supported again reads clean.
    sim.sensor(id).ExtensionSetsSupported = true;
    ASSERT_EQ(model.ReadConfigFmDevice(), 1);
    EXPECT_EQ(model.ExtensionSetsRefused, 0u);
    EXPECT_EQ(model.WriteWalkAwayExToDevice(), 1);

    sim.unplug(id);
    OnDevRemoval(sim.pathOf(id).c_str());
    EXPECT_EQ(model.ReadConfigFmDevice(), 0);
    EXPECT_EQ(model.ExtensionSetsRefused, 0u);
}

TEST_F(ConfigModelTest, ARejectedBlockIsNotSentAndKeepsItsFlag)
{
    sim.plugSensor();
    OpenAndRead(1);
    model.EditCfg.Sonar[PingRateS] = 199;
    model.SonarChanged = 1;

    EXPECT_EQ(model.WriteSonarToDevice(), 0);

    EXPECT_EQ(model.SonarChanged, 1u);
    EXPECT_EQ(Slot().DirtySonar, 0u);
    EXPECT_TRUE(sim.transcript().empty());
}

TEST_F(ConfigModelTest, AFailedWriteClearsTheFlagAndTheNextWriteSendsTheBlock)
{
    sim.plugSensor();
    OpenAndRead(1);
    model.EditCfg.Sonar[StartDlyS] = 17;
    const ConfigSet edited = model.EditCfg;
    model.SonarChanged = 1;
    sim.failAllTransfers();

    EXPECT_EQ(model.WriteSonarToDevice(), 0);

    EXPECT_EQ(model.SonarChanged, 0u);
    EXPECT_EQ(model.EditCfg, edited);
    EXPECT_EQ(Slot().DirtySonar, 1u);

    sim.failAllTransfers(false);
    sim.clearTranscript();
    EXPECT_EQ(model.WriteIdleToDevice(), 1);
    EXPECT_EQ(Exchanges(sim), (std::vector<std::string>{"w 80", "w 85", "commit 21"}));
}

TEST_F(ConfigModelTest, UserDefaultsNeedFirmware400)
{
    struct Case {
        std::uint16_t fw;
        int (ConfigModel::*operation)();
        int result;
        std::vector<std::string> exchanges;
    };
    const std::vector<std::string> readAll = {"r 80",    "r 81",    "r 82",    "r 83", "r 84", "r 8B/08",
                                              "r 8B/09", "r 8B/0A", "r 8B/0B", "r 85", "r 8A"};
    auto after = [&](const char* command) {
        std::vector<std::string> all = {command};
        all.insert(all.end(), readAll.begin(), readAll.end());
        all.insert(all.end(), readAll.begin(), readAll.end());
        return all;
    };
    const std::vector<Case> cases = {
        {0x03FF, &ConfigModel::RestoreUserDefaults, 0, {}},
        {0x03FF, &ConfigModel::SaveUserDefaults, 0, {}},
        {0x0400, &ConfigModel::RestoreUserDefaults, 1, after("cmd D0")},
        {0x0400, &ConfigModel::SaveUserDefaults, 1, after("cmd E0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fw);
        CloseAllDevices();
        const sim::DeviceId id = sim.plugSensor(c.fw);
        OpenAndRead(1);

        EXPECT_EQ((model.*c.operation)(), c.result);

        EXPECT_EQ(Exchanges(sim), c.exchanges);
        sim.unplug(id);
    }
}

TEST_F(ConfigModelTest, RestoringUserDefaultsBringsThemIntoTheModel)
{
    const sim::DeviceId id = sim.plugSensor(0x0405);
    sim.sensor(id).UserDefaults = sim.sensor(id).Config;
    sim.sensor(id).UserDefaults[HalfId::Sonar][7] = 33;  // StartDlyS
    OpenAndRead(1);

    ASSERT_EQ(model.RestoreUserDefaults(), 1);

    EXPECT_EQ(model.EditCfg.Sonar[StartDlyS], 33);
    EXPECT_EQ(model.ConfigLoaded, 1u);
}

TEST_F(ConfigModelTest, FactoryResetRereadsTheModelAndReportsFailure)
{
    const sim::DeviceId id = sim.plugSensor(0x0410);
    sim.sensor(id).Config[HalfId::Sonar][7] = 99;
    OpenAndRead(1);
    ASSERT_EQ(model.EditCfg.Sonar[StartDlyS], 99);

    ASSERT_EQ(model.ResetDeviceToFactory(), 1);
    EXPECT_EQ(Exchanges(sim).front(), "cmd A0");
    EXPECT_EQ(model.EditCfg.Sonar[StartDlyS], sim::factoryDefaults(0x0410)[HalfId::Sonar][7]);

    sim.failAllTransfers();
    EXPECT_EQ(model.ResetDeviceToFactory(), 0);
}

TEST_F(ConfigModelTest, SheetTitleShowsLibraryAndFirmwareVersions)
{
    const struct {
        std::int32_t fw;
        const char* title;
    } cases[] = {
        {0x0405, "VANTREL 3.90, DLL 5.80, DeviceFW 4.05"},
        {0, "VANTREL 3.90, DLL 5.80, DeviceFW 0.00"},
        {0x0A1F, "VANTREL 3.90, DLL 5.80, DeviceFW A.1F"},
        {static_cast<std::int16_t>(0x8001), "VANTREL 3.90, DLL 5.80, DeviceFW FF80.01"},
    };
    for (const auto& c : cases) {
        model.DeviceFw = c.fw;
        char title[128];
        model.FormatSheetTitle(title, sizeof title);
        EXPECT_STREQ(title, c.title);
        EXPECT_EQ(model.SheetTitle(), c.title);
    }

    char small[10];
    model.FormatSheetTitle(small, sizeof small);
    EXPECT_STREQ(small, "VANTREL 3");
}

TEST_F(ConfigModelTest, CloneOfOneSensorIsWrittenToAnotherWithoutItsLuid)
{
    const sim::DeviceId first = sim.plugSensor(0x0405, 0x1111);
    sim.sensor(first).Config[HalfId::Sonar][7] = 12;
    sim.sensor(first).Config[HalfId::WalkAway2][3] = 0x29;
    sim.sensor(first).Config[HalfId::WalkUpEx2][7] = 0x2A;
    sim.sensor(first).Config[HalfId::Idle][6] = 15;
    OpenAndRead(1);
    ASSERT_EQ(model.SaveCloneCfg(), 1);
    EXPECT_EQ(model.CloneCfg, model.EditCfg);
    sim.unplug(first);
    CloseAllDevices();

    const sim::DeviceId second = sim.plugSensor(0x0405, 0x2222);
    OpenAndRead(1);
    const ConfigSet secondAsRead = model.EditCfg;
    SetEveryFlag();

    EXPECT_EQ(model.WriteCloneToDevice(), 1);

    EXPECT_EQ(Exchanges(sim),
              (std::vector<std::string>{"w 80", "w 81", "w 82", "w 83", "w 84", "w 8B/08", "w 8B/09",
                                        "w 8B/0A", "w 8B/0B", "w 85", "commit 3F"}));
    EXPECT_EQ(sim.sensor(second).Config, sim.sensor(first).Config);
    EXPECT_EQ(sim.sensor(second).Luid, 0x2222);
    EXPECT_EQ(model.EditCfg, secondAsRead);
    for (std::uint32_t* flag : AllFlags()) EXPECT_EQ(*flag, 1u);
}

TEST_F(ConfigModelTest, CloneWriteStopsAtTheFirstRefusedBlock)
{
    sim.plugSensor();
    OpenAndRead(1);
    const tsDevSlot before = Slot();
    model.SaveCloneCfg();
    model.CloneCfg.Sonar[StartDlyS] = 44;
    model.CloneCfg.WalkUp[KeyCountWU] = 7;
    model.CloneCfg.Idle[DMTOTmI] = 45;

    EXPECT_EQ(model.WriteCloneToDevice(), 0);

    EXPECT_TRUE(sim.transcript().empty());
    EXPECT_EQ(Slot().Sonar, model.CloneCfg.Sonar);
    EXPECT_EQ(Slot().WalkAway, model.CloneCfg.WalkAway);
    EXPECT_EQ(Slot().WalkUp, before.WalkUp);
    EXPECT_EQ(Slot().Idle, before.Idle);
    EXPECT_EQ(Slot().DirtyWalkAway, 1u);
    EXPECT_EQ(Slot().DirtyWalkUp, 0u);
    EXPECT_EQ(Slot().DirtyIdle, 0u);
}

TEST_F(ConfigModelTest, InitialiseRestoresTheStartState)
{
    SetEveryFlag();
    model.DeviceFw = 0x0405;
    model.EditLuid = 5;
    model.ConfigLoaded = 1;
    model.DeviceVariant = 2;
    model.EditCfg.Idle[FlagsI] = 1;
    model.SaveCloneCfg();

    model.Initialise();

    EXPECT_EQ(model.DeviceFw, 0);
    EXPECT_EQ(model.EditLuid, 0);
    EXPECT_EQ(model.ConfigLoaded, 0u);
    EXPECT_EQ(model.DeviceVariant, -1);
    for (std::uint32_t* flag : AllFlags()) EXPECT_EQ(*flag, 0u);
    EXPECT_EQ(model.EditCfg, ConfigSet{});
    EXPECT_EQ(model.CloneCfg, ConfigSet{});
}

}  // namespace
