// Library version, slot selection and the device table.

#include "DevLibTest.h"

namespace devlib_test {
namespace {

using LibStateTest = DevLibTest;

TEST_F(LibStateTest, VersionIsFiveEightZeroAndNullPointersAreSkipped)
{
    EXPECT_EQ(GetLibVersion(nullptr, nullptr, nullptr), 1);

    std::uint16_t major = 99, minor = 99, build = 99;
    EXPECT_EQ(GetLibVersion(&major, nullptr, &build), 1);
    EXPECT_EQ(major, 5);
    EXPECT_EQ(minor, 99);
    EXPECT_EQ(build, 0);
    EXPECT_EQ(GetLibVersion(nullptr, &minor, nullptr), 1);
    EXPECT_EQ(minor, 8);
}

TEST_F(LibStateTest, ResetEmptiesEveryDeviceSlot)
{
    slot(3).Handle = 42;
    slot(3).Valid = 1;
    LibState().Count = 4;
    LibState().CurrentSlot = 3;

    ResetLibState();

    EXPECT_EQ(GetDevCount(), 0);
    EXPECT_EQ(LibState().CurrentSlot, 0);
    EXPECT_EQ(LibState().FeatureReportLength, 9);
    for (const tsDevSlot& s : LibState().Slots) {
        EXPECT_EQ(s.Handle, platform::kInvalidHandle);
        EXPECT_EQ(s.Valid, 0u);
    }
}

TEST_F(LibStateTest, SelectDevAcceptsOnlyOccupiedSlots)
{
    sim.plugSensor();
    sim.plugSensor();
    ASSERT_EQ(OpenSensors(nullptr), 1);

    EXPECT_EQ(SelectDev(1), 1);
    EXPECT_EQ(LibState().CurrentSlot, 1);
    for (std::int16_t refused : {-1, 2, 15, 16, 300}) {
        EXPECT_EQ(SelectDev(refused), 0) << refused;
        EXPECT_EQ(LibState().CurrentSlot, 1) << refused;
    }
    EXPECT_EQ(SelectDev(0), 1);
}

TEST_F(LibStateTest, SelectDevWithOneSensorRefusesSlotOne)
{
    openSensor();
    EXPECT_EQ(SelectDev(1), 0);
    EXPECT_EQ(SelectDev(0), 1);
}

TEST_F(LibStateTest, RemovingAHandleNoSlotHoldsReturnsZeroAndSelectsSlotZero)
{
    sim.plugSensor();
    sim.plugSensor();
    ASSERT_EQ(OpenSensors(nullptr), 1);
    SelectDev(1);

    tsDevSlot stranger{};
    stranger.Handle = 12345;
    EXPECT_EQ(UpdateDevTable(&stranger, 1), 0);
    EXPECT_EQ(GetDevCount(), 2);
    EXPECT_EQ(LibState().CurrentSlot, 0);

    SelectDev(1);
    EXPECT_EQ(UpdateDevTable(nullptr, 0), 0);
    EXPECT_EQ(LibState().CurrentSlot, 0);
}

TEST_F(LibStateTest, AddingToAFullTableStoresNothing)
{
    BindHidLib();
    tsDevSlot record{};
    for (int i = 0; i < kMaxDevices; ++i) {
        record.Handle = 100 + i;
        ASSERT_EQ(UpdateDevTable(&record, 0), 1);
    }
    record.Handle = 999;
    EXPECT_EQ(UpdateDevTable(&record, 0), 0);
    EXPECT_EQ(GetDevCount(), kMaxDevices);
    EXPECT_EQ(slot(kMaxDevices - 1).Handle, 100 + kMaxDevices - 1);
}

TEST_F(LibStateTest, CloseAllDevicesClosesHandlesAndUnbinds)
{
    const sim::DeviceId first = sim.plugSensor();
    const sim::DeviceId second = sim.plugSensor();
    ASSERT_EQ(OpenSensors(nullptr), 1);

    EXPECT_EQ(CloseAllDevices(), 1);

    EXPECT_EQ(GetDevCount(), 0);
    EXPECT_EQ(sim.openHandleCount(first), 0);
    EXPECT_EQ(sim.openHandleCount(second), 0);
    EXPECT_FALSE(LibState().Hid.Module);
    EXPECT_FALSE(sim.hasEntryPoint(platform::Service::Hid, "HidD_GetFeature")) << "HID service unloaded";
}

}  // namespace
}  // namespace devlib_test
