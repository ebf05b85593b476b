// Opening the sensors, key sends, the stored-configuration commands with
// their waits and re-reads, the factory-reset repair and the range readout.

#include <algorithm>
#include <functional>
#include <ostream>

#include "DevLibTest.h"

namespace devlib_test {
namespace {

using sim::HalfId;
using DeviceCommandsTest = DevLibTest;

TEST_F(DeviceCommandsTest, OpenSensorsWithoutASensorFindsNothing)
{
    sim.plugKeyboard(0x046D, 0xC31C);
    std::uint32_t firmware = 0xDEAD;

    EXPECT_EQ(OpenSensors(&firmware), 0);

    EXPECT_EQ(GetDevCount(), 0);
    EXPECT_EQ(firmware, 0xDEADu);
}

TEST_F(DeviceCommandsTest, OpenSensorsReadsEverySensorAndSelectsSlotZero)
{
    const sim::DeviceId first = sim.plugSensor(0x0412);
    const sim::DeviceId second = sim.plugSensor(0x0143);
    sensor(first).FwVersion = 0x0415;  // the info report wins over the HID version
    std::uint32_t firmware = 0;

    EXPECT_EQ(OpenSensors(&firmware), 1);

    EXPECT_EQ(firmware, 0x0415u);
    EXPECT_EQ(LibState().CurrentSlot, 0);
    EXPECT_EQ(slot(0).Valid, 1u);
    EXPECT_EQ(slot(1).Valid, 1u);
    // Both are read at once: each sensor's eleven exchanges end after one read's waits.
    const auto& transcript = sim.transcript();
    ASSERT_EQ(transcript.size(), 44u);
    for (const sim::DeviceId id : {first, second}) {
        const auto transfers = std::ranges::count_if(
            transcript, [&](const sim::Transfer& transfer) { return transfer.Path == sim.pathOf(id); });
        EXPECT_EQ(transfers, 22);
    }
    EXPECT_EQ(transcript.back().TimeMs, 11 * kExchangeMs);

    sim.clearTranscript();
    EXPECT_EQ(OpenSensors(&firmware), 0) << "sensors are open already";
    EXPECT_EQ(GetDevCount(), 2);
    EXPECT_TRUE(sim.transcript().empty());
}

struct FailedReadCase {
    const char* Name;
    std::vector<bool> ReadFails;  // per sensor, in table order
    int Result;
    std::int16_t Current;
};

void PrintTo(const FailedReadCase& c, std::ostream* os)
{
    *os << c.Name;
}

class OpenSensorsWithAFailedRead : public DevLibTest, public ::testing::WithParamInterface<FailedReadCase> {};

// A sensor whose read fails stays in the table; the others are still read,
// and the first one read completely becomes current.
TEST_P(OpenSensorsWithAFailedRead, ReadsTheOthersAndSelectsTheFirstReadCompletely)
{
    const FailedReadCase& c = GetParam();
    std::vector<sim::DeviceId> ids;
    for (std::size_t i = 0; i < c.ReadFails.size(); ++i) {
        ids.push_back(sim.plugSensor(static_cast<std::uint16_t>(0x0401 + i)));
        sensor(ids.back()).Luid = static_cast<std::uint16_t>(0x100 + i);
    }
    // A failing sensor's second command report fails, after which its read stops.
    for (std::size_t i = 0; i < c.ReadFails.size(); ++i)
        if (c.ReadFails[i]) sim.failTransferOf(ids[i], 3);
    std::uint32_t firmware = 0xDEAD;

    EXPECT_EQ(OpenSensors(&firmware), c.Result);

    EXPECT_EQ(GetDevCount(), static_cast<std::int16_t>(c.ReadFails.size()));
    EXPECT_EQ(LibState().CurrentSlot, c.Current);
    for (std::size_t i = 0; i < c.ReadFails.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(slot(static_cast<int>(i)).Valid, c.ReadFails[i] ? 0u : 1u);
        if (c.ReadFails[i]) {
            EXPECT_EQ(slot(static_cast<int>(i)).Status, kStatusReadConfigFailed | kStatusSendFailed);
        }
    }
    if (c.Result) {
        EXPECT_EQ(firmware, 0x0401u + static_cast<std::uint32_t>(c.Current));
        EXPECT_EQ(GetDevLuid(), 0x100 + c.Current);
    } else {
        EXPECT_EQ(firmware, 0xDEADu);
    }
}

INSTANTIATE_TEST_SUITE_P(DeviceCommandsTest, OpenSensorsWithAFailedRead,
                         ::testing::Values(FailedReadCase{"SecondOfThreeFails", {false, true, false}, 1, 0},
                                           FailedReadCase{"FirstOfThreeFails", {true, false, false}, 1, 1},
                                           FailedReadCase{"FirstTwoFail", {true, true, false}, 1, 2},
                                           FailedReadCase{"OnlySensorFails", {true}, 0, 0},
                                           FailedReadCase{"EverySensorFails", {true, true}, 0, 0}),
                         [](const auto& instance) { return std::string(instance.param.Name); });

struct StoredConfigCase {
    const char* Name;
    std::uint16_t FwVersion;
    std::function<int()> Run;
    std::uint8_t Command;
};

void PrintTo(const StoredConfigCase& c, std::ostream* os)
{
    *os << c.Name;
}

class StoredConfigCommand : public DevLibTest, public ::testing::WithParamInterface<StoredConfigCase> {};

TEST_P(StoredConfigCommand, WaitsTwoSecondsAndReadsTheSensorAgain)
{
    const StoredConfigCase& c = GetParam();
    const sim::DeviceId id = openSensor(c.FwVersion);
    tsSonarParms sonar{};
    ASSERT_EQ(GetSonarParms(&sonar), 1);
    sonar[PingRateS] = 1000;
    ASSERT_EQ(SetSonarParms(&sonar), 1);  // stored, never written
    sensor(id).UserDefaults[HalfId::Sonar][1] = 150;

    EXPECT_EQ(c.Run(), 1);

    EXPECT_EQ(wire(),
              Wire().set(commandReport(c.Command)).wait(kCommandWaitMs).completeRead(sensor(id)).lines());
    EXPECT_EQ(GetDevStatus(), 0u);
    EXPECT_EQ(slot().DirtySonar, 0u) << "the stored change is discarded";
    ASSERT_EQ(GetSonarParms(&sonar), 1);
    EXPECT_EQ(sonar[PingRateS], sensor(id).Config[HalfId::Sonar][1] * 4);
}

INSTANTIATE_TEST_SUITE_P(
    EachCommand, StoredConfigCommand,
    ::testing::Values(StoredConfigCase{"RestoreUserDefaults", 0x0405, RestoreDevUserDefaults, 0xD0},
                      StoredConfigCase{"SaveUserDefaults", 0x0405, SaveDevUserDefaults, 0xE0},
                      StoredConfigCase{"FactoryResetFirmware410", 0x0410, ResetDevToFactory, 0xA0},
                      StoredConfigCase{"FactoryResetFirmware390", 0x0390, ResetDevToFactory, 0xA0},
                      StoredConfigCase{"FactoryResetFirmware143", 0x0143, ResetDevToFactory, 0xA0}),
    [](const auto& instance) { return std::string(instance.param.Name); });

TEST_F(DeviceCommandsTest, RestoreAndSaveMoveTheUserDefaults)
{
    const sim::DeviceId id = openSensor();
    sensor(id).UserDefaults[HalfId::Idle][6] = 90;
    ASSERT_EQ(RestoreDevUserDefaults(), 1);
    EXPECT_EQ(slot().Idle[DMTOTmI], 90);

    sensor(id).Config[HalfId::Idle][6] = 45;
    ASSERT_EQ(SaveDevUserDefaults(), 1);
    EXPECT_EQ(sensor(id).UserDefaults[HalfId::Idle][6], 45);
}

TEST_F(DeviceCommandsTest, FactoryResetOfFirmware405SwitchesTheIdleFlagsOff)
{
    const sim::DeviceId id = openSensor(0x0405);
    sim::VirtualSensor asReset = sensor(id);
    asReset.Config = asReset.FactoryDefaults;
    ASSERT_NE(asReset.Config[HalfId::Idle][4], 0) << "this firmware leaves the factory with idle flags on";
    sim::Half repairedIdle = asReset.Config[HalfId::Idle];
    repairedIdle[4] = 0;
    sim::VirtualSensor asRepaired = asReset;
    asRepaired.Config[HalfId::Idle] = repairedIdle;

    EXPECT_EQ(ResetDevToFactory(), 1);

    EXPECT_EQ(wire(), Wire()
                          .set(commandReport(0xA0))
                          .wait(kCommandWaitMs)
                          .completeRead(asReset)
                          .writeExchange(0x85, 0, repairedIdle)
                          .set(commandReport(0x90, 0x20))
                          .completeRead(asRepaired)
                          .lines());
    EXPECT_EQ(sensor(id).Config, asRepaired.Config);
    EXPECT_EQ(slot().Idle[FlagsI], 0);
    EXPECT_EQ(slot().DirtyIdle, 0u);
    EXPECT_EQ(GetDevStatus(), 0u);
}

TEST_F(DeviceCommandsTest, FailedCommandReportLeavesTheDeviceCommandCode)
{
    openSensor();
    for (const auto& command :
         std::vector<std::function<int()>>{ResetDevToFactory, RestoreDevUserDefaults, SaveDevUserDefaults}) {
        sim.clearTranscript();
        sim.failTransfer(1);
        const std::uint64_t start = sim.nowMs();
        EXPECT_EQ(command(), 0);
        EXPECT_EQ(GetDevStatus(), kStatusDeviceCommandFailed | kStatusSendFailed);
        EXPECT_EQ(sim.transcript().size(), 1u) << "no re-read follows";
        EXPECT_EQ(sim.nowMs(), start) << "and no wait";
    }
}

TEST_F(DeviceCommandsTest, FailedReReadLeavesTheReadCodes)
{
    openSensor();
    sim.failTransfer(3);  // the first answer of the re-read

    EXPECT_EQ(RestoreDevUserDefaults(), 0);

    EXPECT_EQ(GetDevStatus(), kStatusReadConfigFailed | kStatusReadFailed);
}

TEST_F(DeviceCommandsTest, FailedRepairWriteFailsTheFactoryReset)
{
    openSensor(0x0402);
    sim.failTransfer(1 + 22 + 1);  // the idle command report of the repair

    EXPECT_EQ(ResetDevToFactory(), 0);

    EXPECT_EQ(GetDevStatus(), kStatusWriteConfigFailed | kStatusSendFailed);
    EXPECT_EQ(slot().DirtyIdle, 1u);
}

TEST_F(DeviceCommandsTest, HaltKeySendsSendsOneReportWithoutWaiting)
{
    const sim::DeviceId id = openSensor();
    slot().Status = 0x00FF0000;
    const std::uint64_t start = sim.nowMs();

    EXPECT_EQ(HaltKeySends(1), 1);
    EXPECT_EQ(wire(), Wire().set(commandReport(0xB1)).lines());
    EXPECT_TRUE(sensor(id).KeySendsHalted);
    EXPECT_EQ(GetDevStatus(), 0x00FF0000u) << "the status word is not reset";

    sim.clearTranscript();
    EXPECT_EQ(HaltKeySends(0), 1);
    EXPECT_EQ(wire(), Wire().set(commandReport(0xB0)).lines());
    EXPECT_FALSE(sensor(id).KeySendsHalted);
    EXPECT_EQ(sim.nowMs(), start);

    sim.failTransfer(1);
    EXPECT_EQ(HaltKeySends(1), 0);
    EXPECT_EQ(GetDevStatus(), kStatusSendFailed);
}

TEST_F(DeviceCommandsTest, RangeReadoutSplitsTheFlagByte)
{
    openSensor();
    scripted.replaceNextAnswer({0x00, 0x05, 100, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    platform::install(&scripted);
    tsRangeInfo info{};

    EXPECT_EQ(GetRangeInfo(&info), 1);

    EXPECT_EQ(info.Distance, 29);
    EXPECT_EQ(info.InRange, 1);
    EXPECT_EQ(info.Flag1, 0);
    EXPECT_EQ(info.Flag2, 1);
    EXPECT_EQ(info.RangeFlags, 5);
    EXPECT_EQ(GetDevStatus(), 0u);
    ASSERT_EQ(wire().size(), 2u);
    EXPECT_EQ(wire()[0], "+0 set 00 8f 00 00 00 00 00 00 00");
    EXPECT_EQ(wire()[1].substr(0, 9), "+250 get ");
}

TEST_F(DeviceCommandsTest, RangeReadoutFollowsTheTarget)
{
    const sim::DeviceId id = openSensor();  // window 14 to 42 inches
    tsRangeInfo info{};
    sensor(id).setTargetInches(30);
    ASSERT_EQ(GetRangeInfo(&info), 1);
    EXPECT_EQ(info.Distance, 30);
    EXPECT_EQ(info.InRange, 1);

    sensor(id).setTargetInches(60);
    ASSERT_EQ(GetRangeInfo(&info), 1);
    EXPECT_EQ(info.Distance, 60);
    EXPECT_EQ(info.InRange, 0);
    EXPECT_EQ(info.RangeFlags, 0);
}

TEST_F(DeviceCommandsTest, FailedRangeReadoutLeavesTheRangeCode)
{
    openSensor();
    tsRangeInfo info{};
    sim.failTransfer(1);
    EXPECT_EQ(GetRangeInfo(&info), 0);
    EXPECT_EQ(GetDevStatus(), kStatusRangeFailed | kStatusSendFailed);

    sim.failTransfer(2);
    EXPECT_EQ(GetRangeInfo(&info), 0);
    EXPECT_EQ(GetDevStatus(), kStatusRangeFailed | kStatusReadFailed);

    sim.clearTranscript();
    EXPECT_EQ(GetRangeInfo(nullptr), 0);
    EXPECT_EQ(GetDevStatus(), kStatusRangeFailed);
    EXPECT_TRUE(sim.transcript().empty()) << "nothing is asked without a record to fill";
}

TEST_F(DeviceCommandsTest, LuidAndFirmwareAccessorsActOnTheCurrentSlot)
{
    const sim::DeviceId first = sim.plugSensor(0x0405, 0x1111);
    const sim::DeviceId second = sim.plugSensor(0x0412, 0x2222);
    ASSERT_EQ(OpenSensors(nullptr), 1);

    EXPECT_EQ(GetDevLuid(), 0x1111);
    SelectDev(1);
    EXPECT_EQ(GetDevLuid(), 0x2222);
    EXPECT_EQ(GetDevFwVersion(), 0x0412);
    EXPECT_EQ(SetDevLuid(0x3333), 1);
    EXPECT_EQ(GetDevLuid(), 0x3333);
    EXPECT_EQ(slot(0).LuidDirty, 0u);
    ASSERT_EQ(WriteDevConfig(), 1);
    EXPECT_EQ(sensor(second).Luid, 0x3333);
    EXPECT_EQ(sensor(first).Luid, 0x1111);
}

struct WithoutSensorCase {
    const char* Name;
    std::function<int()> Run;
    std::uint32_t OwnCode;
};

void PrintTo(const WithoutSensorCase& c, std::ostream* os)
{
    *os << c.Name;
}

class CommandWithoutSensor : public DevLibTest, public ::testing::WithParamInterface<WithoutSensorCase> {};

TEST_P(CommandWithoutSensor, UnboundLeavesOnlyTheOwnCode)
{
    openSensor();
    CloseAllDevices();

    EXPECT_EQ(GetParam().Run(), 0);

    EXPECT_EQ(GetDevStatus(), GetParam().OwnCode);
    EXPECT_TRUE(sim.transcript().empty());
}

TEST_P(CommandWithoutSensor, EmptyTableAddsTheNoHandleCode)
{
    ASSERT_EQ(BindHidLib(), 1);

    EXPECT_EQ(GetParam().Run(), 0);

    EXPECT_EQ(GetDevStatus(), GetParam().OwnCode | kStatusSendNoHandle);
}

INSTANTIATE_TEST_SUITE_P(
    EachOperation, CommandWithoutSensor,
    ::testing::Values(WithoutSensorCase{"Read", ReadDevConfig, kStatusReadConfigFailed},
                      WithoutSensorCase{"Write", WriteDevConfig, kStatusWriteConfigFailed},
                      WithoutSensorCase{"FactoryReset", ResetDevToFactory, kStatusDeviceCommandFailed},
                      WithoutSensorCase{"Restore", RestoreDevUserDefaults, kStatusDeviceCommandFailed},
                      WithoutSensorCase{"Save", SaveDevUserDefaults, kStatusDeviceCommandFailed},
                      WithoutSensorCase{"Halt", [] { return HaltKeySends(1); }, kStatusSuccess},
                      WithoutSensorCase{"Range",
                                        [] {
                                            tsRangeInfo reading{};
                                            return GetRangeInfo(&reading);
                                        },
                                        kStatusRangeFailed}),
    [](const auto& instance) { return std::string(instance.param.Name); });

}  // namespace
}  // namespace devlib_test
