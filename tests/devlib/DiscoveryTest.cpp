// Service binding, discovery of the sensors among the present keyboards, and
// their arrival and removal.

#include <algorithm>
#include <cctype>
#include <cstring>

#include "DevLibTest.h"
#include "platform/SensorIds.h"

namespace devlib_test {
namespace {

using platform::Service;
using DiscoveryTest = DevLibTest;

constexpr std::uint16_t kOtherVendor = 0x046D;
constexpr std::uint16_t kOtherProduct = 0xC31C;

std::string upperCase(std::string text)
{
    std::ranges::transform(text, text.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// A path of the given length that starts like the sim's path of a device.
std::string stretched(const std::string& path, std::size_t length)
{
    return path + "#" + std::string(length - path.size() - 1, 'x');
}

TEST_F(DiscoveryTest, TwoSensorsAmongKeyboardsFillSlotsInEnumerationOrder)
{
    const sim::DeviceId keyboard = sim.plugKeyboard(kOtherVendor, kOtherProduct);
    const sim::DeviceId first = sim.plugSensor(0x0412);
    const sim::DeviceId sameVendor = sim.plugKeyboard(kSensorVendorIdA, kSensorProductId + 1);
    const sim::DeviceId second = sim.plugSensor(0x0143);

    EnumSensors();

    ASSERT_EQ(GetDevCount(), 2);
    EXPECT_STREQ(slot(0).DevicePath, sim.pathOf(first).c_str());
    EXPECT_EQ(slot(0).FwVersion, 0x0412);
    EXPECT_STREQ(slot(1).DevicePath, sim.pathOf(second).c_str());
    EXPECT_EQ(slot(1).FwVersion, 0x0143);
    EXPECT_EQ(slot(2).Handle, platform::kInvalidHandle);
    EXPECT_EQ(sim.openHandleCount(first), 1);
    EXPECT_EQ(sim.openHandleCount(second), 1);
    EXPECT_EQ(sim.openHandleCount(keyboard), 0);
    EXPECT_EQ(sim.openHandleCount(sameVendor), 0);
    EXPECT_FALSE(LibState().Setup.Module) << "the setup binding lives only for one discovery";
    EXPECT_FALSE(sim.hasEntryPoint(Service::Setup, "SetupDiGetClassDevsA"));
    EXPECT_TRUE(LibState().Hid.Module);
}

TEST_F(DiscoveryTest, SensorOfTheSecondVendorIsAccepted)
{
    const sim::DeviceId id = sim.plugSensor();
    sensor(id).VendorID = kSensorVendorIdB;

    EnumSensors();

    EXPECT_EQ(GetDevCount(), 1);
}

TEST_F(DiscoveryTest, DiscoveryStopsOpeningWhenTheTableIsFull)
{
    std::vector<sim::DeviceId> ids;
    for (int i = 0; i < kMaxDevices + 1; ++i) ids.push_back(sim.plugSensor());

    EnumSensors();

    EXPECT_EQ(GetDevCount(), kMaxDevices);
    EXPECT_EQ(sim.openHandleCount(ids.back()), 0);
}

TEST_F(DiscoveryTest, DiscoveryLooksAtNoMoreThan256Interfaces)
{
    for (int i = 0; i < 255; ++i) sim.plugKeyboard(kOtherVendor, kOtherProduct);
    const sim::DeviceId last = sim.plugSensor();
    const sim::DeviceId beyond = sim.plugSensor();

    EnumSensors();

    ASSERT_EQ(GetDevCount(), 1);
    EXPECT_STREQ(slot(0).DevicePath, sim.pathOf(last).c_str());
    EXPECT_EQ(sim.openHandleCount(beyond), 0);
}

TEST_F(DiscoveryTest, LostDeviceSetUnbindsBothServices)
{
    sim.plugSensor();
    scripted.loseDeviceSet();
    platform::install(&scripted);

    EnumSensors();

    EXPECT_EQ(GetDevCount(), 0);
    EXPECT_FALSE(LibState().Hid.Module);
    EXPECT_FALSE(LibState().Setup.Module);
    EXPECT_FALSE(sim.hasEntryPoint(Service::Hid, "HidD_GetFeature"));
    EXPECT_FALSE(sim.hasEntryPoint(Service::Setup, "SetupDiGetClassDevsA"));
}

TEST_F(DiscoveryTest, BindHidLibFailsWhenTheServiceCannotBeLoaded)
{
    sim.failServiceLoad(Service::Hid);
    EXPECT_EQ(BindHidLib(), 0);
    EXPECT_FALSE(LibState().Hid.Module);

    const sim::DeviceId id = sim.plugSensor();
    EXPECT_EQ(OnDevArrival(sim.pathOf(id).c_str()), 0);
    EXPECT_EQ(sim.openHandleCount(id), 0);
}

class MissingHidEntryPoint : public DevLibTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingHidEntryPoint, UnloadsTheServiceAndResetsTheState)
{
    sim.removeEntryPoint(Service::Hid, GetParam());

    EXPECT_EQ(BindHidLib(), 0);

    const tsHidBinding& hid = LibState().Hid;
    EXPECT_FALSE(hid.Module || hid.GetAttributes || hid.GetFeature || hid.SetFeature || hid.GetHidGuid ||
                 hid.GetCaps);
    const std::uint8_t zeroClass[16]{};
    EXPECT_EQ(std::memcmp(LibState().InterfaceClass, zeroClass, sizeof zeroClass), 0);
    EXPECT_FALSE(sim.hasEntryPoint(Service::Hid, "HidD_GetHidGuid") ||
                 sim.hasEntryPoint(Service::Hid, "HidP_GetCaps"))
        << "HID service unloaded";
    sim.plugSensor();
    EXPECT_EQ(OpenSensors(nullptr), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryEntryPoint, MissingHidEntryPoint,
                         ::testing::Values("HidD_GetAttributes", "HidD_GetFeature", "HidD_SetFeature",
                                           "HidD_GetHidGuid", "HidP_GetCaps"));

TEST_F(DiscoveryTest, BindingTheHidServiceSetsTheKeyboardClassAndBindingAgainKeepsTheTable)
{
    const sim::DeviceId id = sim.plugSensor();
    ASSERT_EQ(OnDevArrival(sim.pathOf(id).c_str()), 1);

    const std::uint8_t keyboardClass[16] = {0xC3, 0x96, 0x4B, 0x88, 0xEF, 0x56, 0xD1, 0x11,
                                            0xBC, 0x8C, 0x00, 0xA0, 0xC9, 0x14, 0x05, 0xDD};
    EXPECT_EQ(std::memcmp(LibState().InterfaceClass, keyboardClass, 16), 0);
    EXPECT_EQ(BindHidLib(), 1);
    EXPECT_EQ(GetDevCount(), 1);
}

TEST_F(DiscoveryTest, SensorInterfaceClassNeedsNoBinding)
{
    std::uint8_t guid[16]{};
    EXPECT_EQ(GetSensorIfGuid(guid), 1);
    const std::uint8_t keyboardClass[16] = {0xC3, 0x96, 0x4B, 0x88, 0xEF, 0x56, 0xD1, 0x11,
                                            0xBC, 0x8C, 0x00, 0xA0, 0xC9, 0x14, 0x05, 0xDD};
    EXPECT_EQ(std::memcmp(guid, keyboardClass, 16), 0);
    EXPECT_FALSE(LibState().Hid.Module);
    EXPECT_EQ(GetSensorIfGuid(nullptr), 0);
}

class MissingSetupEntryPoint : public DevLibTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingSetupEntryPoint, DiscoveryFindsNothingAndKeepsTheHidBinding)
{
    sim.plugSensor();
    sim.removeEntryPoint(Service::Setup, GetParam());

    EXPECT_EQ(BindSetupLib(), 0);
    EXPECT_FALSE(LibState().Setup.Module);
    EnumSensors();

    EXPECT_EQ(GetDevCount(), 0);
    EXPECT_TRUE(LibState().Hid.Module);
    EXPECT_FALSE(sim.hasEntryPoint(Service::Setup, "SetupDiDestroyDeviceInfoList") &&
                 sim.hasEntryPoint(Service::Setup, "SetupDiGetClassDevsA"))
        << "setup service unloaded";
}

INSTANTIATE_TEST_SUITE_P(EveryEntryPoint, MissingSetupEntryPoint,
                         ::testing::Values("SetupDiGetClassDevsA", "SetupDiEnumDeviceInterfaces",
                                           "SetupDiGetDeviceInterfaceDetailA",
                                           "SetupDiDestroyDeviceInfoList"));

TEST_F(DiscoveryTest, SetupServiceThatCannotBeLoadedFindsNothing)
{
    sim.plugSensor();
    sim.failServiceLoad(Service::Setup);
    EXPECT_EQ(BindSetupLib(), 0);
    EnumSensors();
    EXPECT_EQ(GetDevCount(), 0);
}

// A sensor pulled out is gone at once, before its removal empties its slot.
TEST_F(DiscoveryTest, PresenceOfTheCurrentSensorFollowsThePlug)
{
    EXPECT_EQ(CheckDevPresent(), 0) << "no sensor in the table";
    const sim::DeviceId first = sim.plugSensor();
    const sim::DeviceId second = sim.plugSensor();
    ASSERT_EQ(OpenSensors(nullptr), 1);
    sim.clearTranscript();

    EXPECT_EQ(CheckDevPresent(), 1);
    sim.unplug(second);
    EXPECT_EQ(CheckDevPresent(), 1) << "slot 0 is current";
    SelectDev(1);
    EXPECT_EQ(CheckDevPresent(), 0);
    SelectDev(0);
    sim.unplug(first);
    EXPECT_EQ(CheckDevPresent(), 0);
    EXPECT_EQ(GetDevCount(), 2) << "the table changes only with the removals";
    EXPECT_TRUE(sim.transcript().empty());
    EXPECT_FALSE(LibState().Setup.Module) << "the device set is not held";

    sim.failServiceLoad(Service::Setup);
    EXPECT_EQ(CheckDevPresent(), -1) << "cannot tell";
}

TEST_F(DiscoveryTest, ArrivalMatchesThePrefixWithoutRegardToCase)
{
    const sim::DeviceId id = sim.plugSensor(0x0144);
    const std::string shouted = upperCase(sim.pathOf(id));

    EXPECT_EQ(OnDevArrival(shouted.c_str()), 1);

    EXPECT_EQ(GetDevCount(), 1);
    EXPECT_STREQ(slot(0).DevicePath, shouted.c_str());
    EXPECT_EQ(slot(0).FwVersion, 0x0144);
    EXPECT_EQ(slot(0).Valid, 0u) << "an arrived sensor is not read yet";
    EXPECT_EQ(sim.openHandleCount(id), 1);
}

TEST_F(DiscoveryTest, ArrivalOfTheSecondVendorsPrefixIsOpened)
{
    const sim::DeviceId id = sim.plugKeyboard(kSensorVendorIdB, kSensorProductId);
    EXPECT_EQ(OnDevArrival(sim.pathOf(id).c_str()), 1);
    EXPECT_EQ(sim.openHandleCount(id), 1);
}

TEST_F(DiscoveryTest, ArrivalOfAnotherProductIsIgnoredWithoutOpeningIt)
{
    const sim::DeviceId sameVendor = sim.plugKeyboard(kSensorVendorIdA, kSensorProductId + 1);
    const sim::DeviceId other = sim.plugKeyboard(kOtherVendor, kOtherProduct);

    EXPECT_EQ(OnDevArrival(sim.pathOf(sameVendor).c_str()), 0);
    EXPECT_EQ(OnDevArrival(sim.pathOf(other).c_str()), 0);
    EXPECT_EQ(OnDevArrival(nullptr), 0);
    EXPECT_EQ(OnDevArrival("\\\\?\\HID#Vid_ff"), 0);

    EXPECT_EQ(GetDevCount(), 0);
    EXPECT_EQ(sim.openHandleCount(sameVendor), 0);
    EXPECT_EQ(sim.openHandleCount(other), 0);
    EXPECT_FALSE(LibState().Hid.Module) << "nothing was opened, so nothing was bound";
}

TEST_F(DiscoveryTest, ArrivalWhileUnboundBindsAndStartsFromAnEmptyTable)
{
    sim.plugSensor();
    sim.plugSensor();
    ASSERT_EQ(OpenSensors(nullptr), 1);
    CloseAllDevices();
    const sim::DeviceId arrived = sim.plugSensor(0x0390);

    EXPECT_EQ(OnDevArrival(sim.pathOf(arrived).c_str()), 1);

    EXPECT_TRUE(LibState().Hid.Module);
    EXPECT_EQ(GetDevCount(), 1);
    EXPECT_STREQ(slot(0).DevicePath, sim.pathOf(arrived).c_str());
    EXPECT_EQ(slot(0).FwVersion, 0x0390);
    EXPECT_EQ(slot(1).Handle, platform::kInvalidHandle);
}

TEST_F(DiscoveryTest, ArrivalAppendsAndSelectsSlotZero)
{
    sim.plugSensor();
    sim.plugSensor();
    ASSERT_EQ(OpenSensors(nullptr), 1);
    SelectDev(1);
    const sim::DeviceId arrived = sim.plugSensor();

    EXPECT_EQ(OnDevArrival(sim.pathOf(arrived).c_str()), 1);

    EXPECT_EQ(GetDevCount(), 3);
    EXPECT_STREQ(slot(2).DevicePath, sim.pathOf(arrived).c_str());
    EXPECT_EQ(LibState().CurrentSlot, 0);
}

TEST_F(DiscoveryTest, ArrivalOfASensorAlreadyInTheTableOpensNothing)
{
    const sim::DeviceId id = sim.plugSensor();
    ASSERT_EQ(OpenSensors(nullptr), 1);

    EXPECT_EQ(OnDevArrival(upperCase(sim.pathOf(id)).c_str()), 0);

    EXPECT_EQ(GetDevCount(), 1);
    EXPECT_EQ(sim.openHandleCount(id), 1);
    EXPECT_EQ(OnDevRemoval(sim.pathOf(id).c_str()), 1);
    EXPECT_EQ(GetDevCount(), 0) << "no stale second slot is left behind";
}

TEST_F(DiscoveryTest, ArrivalIntoAFullTableClosesTheNewHandle)
{
    std::vector<sim::DeviceId> ids;
    for (int i = 0; i < kMaxDevices + 1; ++i) ids.push_back(sim.plugSensor());
    EnumSensors();
    ASSERT_EQ(GetDevCount(), kMaxDevices);
    SelectDev(5);

    EXPECT_EQ(OnDevArrival(sim.pathOf(ids.back()).c_str()), 0);

    EXPECT_EQ(GetDevCount(), kMaxDevices);
    EXPECT_EQ(sim.openHandleCount(ids.back()), 0);
    EXPECT_EQ(LibState().CurrentSlot, 0);
}

TEST_F(DiscoveryTest, RemovalCompactsTheTableAndSelectsSlotZero)
{
    const sim::DeviceId first = sim.plugSensor(0x0401);
    const sim::DeviceId second = sim.plugSensor(0x0402);
    const sim::DeviceId third = sim.plugSensor(0x0403);
    ASSERT_EQ(OpenSensors(nullptr), 1);
    SelectDev(2);

    EXPECT_EQ(OnDevRemoval(upperCase(sim.pathOf(second)).c_str()), 1);

    EXPECT_EQ(GetDevCount(), 2);
    EXPECT_EQ(LibState().CurrentSlot, 0);
    EXPECT_STREQ(slot(0).DevicePath, sim.pathOf(first).c_str());
    EXPECT_STREQ(slot(1).DevicePath, sim.pathOf(third).c_str());
    EXPECT_EQ(slot(1).FwVersion, 0x0403);
    EXPECT_EQ(slot(1).Valid, 1u) << "the moved slot keeps its record";
    EXPECT_EQ(slot(2).Handle, platform::kInvalidHandle);
    EXPECT_EQ(slot(2).Valid, 0u);
    EXPECT_EQ(sim.openHandleCount(second), 0);
    EXPECT_EQ(sim.openHandleCount(third), 1);
}

TEST_F(DiscoveryTest, RemovalOfAnUnknownPathChangesNothing)
{
    const sim::DeviceId id = sim.plugSensor();
    const sim::DeviceId keyboard = sim.plugKeyboard(kOtherVendor, kOtherProduct);
    ASSERT_EQ(OpenSensors(nullptr), 1);

    EXPECT_EQ(OnDevRemoval(sim.pathOf(keyboard).c_str()), 0);
    EXPECT_EQ(OnDevRemoval(nullptr), 0);

    EXPECT_EQ(GetDevCount(), 1);
    EXPECT_EQ(sim.openHandleCount(id), 1);
}

TEST_F(DiscoveryTest, LongPathIsOpenedByDiscoveryButIgnoredByNotifications)
{
    const sim::DeviceId id = sim.plugSensor();
    const std::string longPath = stretched(sim.pathOf(id), 140);
    scripted.showUnder(longPath, sim.pathOf(id));
    platform::install(&scripted);

    EnumSensors();

    ASSERT_EQ(GetDevCount(), 1);
    EXPECT_EQ(std::string(slot(0).DevicePath), longPath.substr(0, 127));
    EXPECT_EQ(OnDevRemoval(longPath.c_str()), 0);
    EXPECT_EQ(OnDevRemoval(longPath.substr(0, 127).c_str()), 1) << "the stored path stays removable by name";
    EXPECT_EQ(OnDevArrival(longPath.c_str()), 0);
    EXPECT_EQ(sim.openHandleCount(id), 0);
}

TEST_F(DiscoveryTest, NotificationPathsUpTo127CharactersAreTaken)
{
    const sim::DeviceId id = sim.plugSensor();
    const std::string longest = stretched(sim.pathOf(id), 127);
    const std::string tooLong = stretched(sim.pathOf(id), 128);
    scripted.showUnder(longest, sim.pathOf(id));
    scripted.showUnder(tooLong, sim.pathOf(id));
    platform::install(&scripted);

    EXPECT_EQ(OnDevArrival(tooLong.c_str()), 0);
    EXPECT_EQ(sim.openHandleCount(id), 0);
    EXPECT_EQ(OnDevArrival(longest.c_str()), 1);
    EXPECT_STREQ(slot(0).DevicePath, longest.c_str());
    EXPECT_EQ(OnDevRemoval(tooLong.c_str()), 0);
    EXPECT_EQ(OnDevRemoval(longest.c_str()), 1);
    EXPECT_EQ(sim.openHandleCount(id), 0);
}

}  // namespace
}  // namespace devlib_test
