// The sim backend around its sensors: devices and handles, services, fault
// injection, transcript, listeners and the clock.

#include <gtest/gtest.h>

#include "SimFixture.h"
#include "platform/DevicePath.h"
#include "platform/SensorIds.h"

namespace {

using platform::DeviceEvent;
using platform::DeviceEventKind;
using platform::Service;
using sim::Report;
using sim::Transfer;
using simtest::report;

constexpr std::uint16_t kOtherVendor = 0x046d;
constexpr std::uint16_t kOtherProduct = 0xc31c;

using SimPlatformTest = simtest::SimFixture;

TEST_F(SimPlatformTest, PathsAreUniqueAndListedInPlugOrder)
{
    sim.loadService(Service::Setup);
    const sim::DeviceId keyboard = sim.plugKeyboard(kOtherVendor, kOtherProduct);
    const sim::DeviceId second = sim.plugSensor();

    EXPECT_EQ(sim.pathOf(id), platform::makeDevicePath(kSensorVendorIdA, kSensorProductId, "sim1"));
    EXPECT_EQ(sim.pathOf(keyboard), platform::makeDevicePath(kOtherVendor, kOtherProduct, "sim2"));
    EXPECT_EQ(sim.pathOf(second), platform::makeDevicePath(kSensorVendorIdA, kSensorProductId, "sim3"));
    EXPECT_EQ(sim.pluggedDevices(), (std::vector<sim::DeviceId>{id, keyboard, second}));
    EXPECT_EQ(sim.presentKeyboardPaths(),
              (std::vector<std::string>{sim.pathOf(id), sim.pathOf(keyboard), sim.pathOf(second)}));

    sim.unplug(keyboard);
    EXPECT_EQ(sim.pluggedDevices(), (std::vector<sim::DeviceId>{id, second}));
    EXPECT_EQ(sim.presentKeyboardPaths(), (std::vector<std::string>{sim.pathOf(id), sim.pathOf(second)}));
}

TEST_F(SimPlatformTest, AttributesAnswerIdsAndFirmware)
{
    const sim::DeviceId fw = sim.plugSensor(0x0143);
    const platform::HidAttributes a = sim.attributes(sim.open(sim.pathOf(fw)));
    EXPECT_EQ(a.VendorID, kSensorVendorIdA);
    EXPECT_EQ(a.ProductID, kSensorProductId);
    EXPECT_EQ(a.VersionNumber, 0x0143);
}

TEST_F(SimPlatformTest, PlainKeyboardOpensAndIdentifiesButFailsEveryFeatureTransfer)
{
    const sim::DeviceId keyboard = sim.plugKeyboard(kOtherVendor, kOtherProduct);
    const platform::Handle h = sim.open(sim.pathOf(keyboard));
    ASSERT_NE(h, platform::kInvalidHandle);
    const platform::HidAttributes a = sim.attributes(h);
    EXPECT_EQ(a.VendorID, kOtherVendor);
    EXPECT_EQ(a.ProductID, kOtherProduct);
    EXPECT_FALSE(send(report({0x80}), h));
    EXPECT_FALSE(read(h).first);
    EXPECT_THROW(sim.sensor(keyboard), std::invalid_argument);
}

TEST_F(SimPlatformTest, OpenGivesFreshHandlesAndCloseReleasesThem)
{
    EXPECT_GE(handle, 1);
    const platform::Handle second = sim.open(sim.pathOf(id));
    EXPECT_NE(second, handle);
    EXPECT_GE(second, 1);
    EXPECT_EQ(sim.openHandleCount(id), 2);
    sim.close(second);
    EXPECT_EQ(sim.openHandleCount(id), 1);
    EXPECT_FALSE(send(report({0x80}), second));

    EXPECT_EQ(sim.open("\\\\?\\HID#Vid_ffff&Pid_ffff#none"), platform::kInvalidHandle);
    EXPECT_EQ(sim.openHandleCount(id), 1);
}

// As the kernel with file descriptors: the lowest number not open, so a
// closed handle's number goes to the next open, which reaches its own device.
TEST_F(SimPlatformTest, ReusedHandleNumbersGoLowestFreeFirstAndReachTheNewDevice)
{
    sim.reuseHandleNumbers();
    const sim::DeviceId other = sim.plugSensor(0x0412);
    const platform::Handle second = sim.open(sim.pathOf(id));
    EXPECT_EQ(second, handle + 1);

    sim.close(handle);
    EXPECT_EQ(sim.open(sim.pathOf(other)), handle);
    EXPECT_EQ(sim.attributes(handle).VersionNumber, 0x0412);
    EXPECT_EQ(sim.open(sim.pathOf(id)), second + 1) << "the numbers in use are skipped";

    sim.reuseHandleNumbers(false);
    sim.close(second);
    EXPECT_GT(sim.open(sim.pathOf(id)), second + 1) << "without reuse, a number is never given twice";
}

TEST_F(SimPlatformTest, OpenIgnoresLetterCaseOfThePath)
{
    std::string upper = sim.pathOf(id);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_NE(sim.open(upper), platform::kInvalidHandle);
}

TEST_F(SimPlatformTest, DeniedSensorIsRefusedAndListedUntilItOpensOrLeaves)
{
    const sim::DeviceId second = sim.plugSensor();
    const sim::DeviceId keyboard = sim.plugKeyboard(kOtherVendor, kOtherProduct);
    EXPECT_TRUE(sim.inaccessibleSensorPaths().empty());
    sim.denyAccess(second);
    sim.denyAccess(id);
    sim.denyAccess(keyboard);

    EXPECT_EQ(sim.open(sim.pathOf(second)), platform::kInvalidHandle);
    EXPECT_EQ(sim.open(sim.pathOf(id)), platform::kInvalidHandle);
    EXPECT_EQ(sim.open(sim.pathOf(keyboard)), platform::kInvalidHandle);
    EXPECT_EQ(sim.openHandleCount(second), 0);
    // Sensors only, in the order they were refused; a second refusal is listed once.
    EXPECT_EQ(sim.open(sim.pathOf(second)), platform::kInvalidHandle);
    EXPECT_EQ(sim.inaccessibleSensorPaths(), (std::vector<std::string>{sim.pathOf(id), sim.pathOf(second)}));

    // Allowed again, the next open succeeds and takes the path off the list.
    sim.denyAccess(second, false);
    EXPECT_EQ(sim.inaccessibleSensorPaths(), (std::vector<std::string>{sim.pathOf(id), sim.pathOf(second)}));
    EXPECT_NE(sim.open(sim.pathOf(second)), platform::kInvalidHandle);
    EXPECT_EQ(sim.inaccessibleSensorPaths(), std::vector<std::string>{sim.pathOf(id)});

    // A refused sensor that is pulled out is no longer listed.
    sim.unplug(id);
    EXPECT_TRUE(sim.inaccessibleSensorPaths().empty());
}

TEST_F(SimPlatformTest, UnpluggedDeviceKeepsItsHandlesButAnswersNothing)
{
    sim.unplug(id);
    EXPECT_EQ(sim.openHandleCount(id), 1);
    EXPECT_FALSE(command(0x80));
    EXPECT_FALSE(read(handle).first);
    const platform::HidAttributes a = sim.attributes(handle);
    EXPECT_EQ(a.VendorID, 0);
    EXPECT_EQ(a.ProductID, 0);
    EXPECT_EQ(a.VersionNumber, 0);
    EXPECT_EQ(sim.open(sim.pathOf(id)), platform::kInvalidHandle);
    sim.close(handle);
    EXPECT_EQ(sim.openHandleCount(id), 0);
}

TEST_F(SimPlatformTest, PlugAndUnplugNotifyTheListenerAtOnce)
{
    std::vector<DeviceEvent> events;
    sim.setDeviceListener([&](const DeviceEvent& e) { events.push_back(e); });
    const sim::DeviceId keyboard = sim.plugKeyboard(kOtherVendor, kOtherProduct);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Kind, DeviceEventKind::Arrival);
    EXPECT_EQ(events[0].Path, sim.pathOf(keyboard));

    sim.unplug(id);
    sim.unplug(id);  // already gone: no second removal
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].Kind, DeviceEventKind::Removal);
    EXPECT_EQ(events[1].Path, sim.pathOf(id));
}

// Unplug then replug is the same sensor coming back: what it committed, its
// LUID and stored defaults stay; what it held only in working memory goes.
TEST_F(SimPlatformTest, ReplugBringsTheSameSensorBackWithItsMemory)
{
    std::vector<DeviceEvent> events;
    sim.setDeviceListener([&](const DeviceEvent& e) { events.push_back(e); });
    sensor.Luid = 0x0102;
    sensor.Config[sim::HalfId::Sonar][1] = 100;
    sensor.UserDefaults[sim::HalfId::Idle][5] = 20;
    writeExchange(0x81, 0, {2, 3, 0, 0, 0, 0, 0, 0});  // written, not committed
    ASSERT_TRUE(command(0xB1));                        // key sends halted
    const sim::SensorHalves committed = sensor.Config;
    const sim::SensorHalves userDefaults = sensor.UserDefaults;

    sim.unplug(id);
    sim.replug(id);
    sim.replug(id);  // already back: no second arrival

    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].Kind, DeviceEventKind::Arrival);
    EXPECT_EQ(events[1].Path, sim.pathOf(id));
    EXPECT_EQ(sim.pluggedDevices(), std::vector<sim::DeviceId>{id});
    EXPECT_EQ(&sim.sensor(id), &sensor);
    EXPECT_EQ(sensor.Config, committed);
    EXPECT_EQ(sensor.UserDefaults, userDefaults);
    EXPECT_EQ(sensor.Luid, 0x0102);
    EXPECT_EQ(sensor.PendingHalves, 0);
    EXPECT_EQ(sensor.PendingMask, 0);
    EXPECT_FALSE(sensor.KeySendsHalted);

    // The handle of the first plugging stays dead; a new open works.
    EXPECT_FALSE(command(0x80));
    const platform::Handle again = sim.open(sim.pathOf(id));
    ASSERT_NE(again, platform::kInvalidHandle);
    handle = again;
    EXPECT_EQ(readExchange(0x80)[2], 100);
}

TEST_F(SimPlatformTest, ServicesLoadUnlessMadeToFailAndOfferTheirEntryPoints)
{
    const struct {
        Service Svc;
        std::vector<std::string> Names;
    } services[] = {
        {Service::Hid,
         {"HidD_GetAttributes", "HidD_GetFeature", "HidD_SetFeature", "HidD_GetHidGuid", "HidP_GetCaps"}},
        {Service::Setup,
         {"SetupDiGetClassDevsA", "SetupDiEnumDeviceInterfaces", "SetupDiGetDeviceInterfaceDetailA",
          "SetupDiDestroyDeviceInfoList"}},
    };
    for (const auto& s : services) {
        SCOPED_TRACE(static_cast<int>(s.Svc));
        EXPECT_FALSE(sim.hasEntryPoint(s.Svc, s.Names[0]));  // not loaded yet
        sim.failServiceLoad(s.Svc);
        EXPECT_FALSE(sim.loadService(s.Svc));
        sim.failServiceLoad(s.Svc, false);
        ASSERT_TRUE(sim.loadService(s.Svc));
        for (const auto& name : s.Names) EXPECT_TRUE(sim.hasEntryPoint(s.Svc, name)) << name;
        EXPECT_FALSE(sim.hasEntryPoint(s.Svc, "DllMain"));
        sim.removeEntryPoint(s.Svc, s.Names[1]);
        EXPECT_FALSE(sim.hasEntryPoint(s.Svc, s.Names[1]));
        EXPECT_TRUE(sim.hasEntryPoint(s.Svc, s.Names[0]));
        sim.unloadService(s.Svc);
        EXPECT_FALSE(sim.hasEntryPoint(s.Svc, s.Names[0]));
    }
    // The other service's names are not offered.
    ASSERT_TRUE(sim.loadService(Service::Hid));
    EXPECT_FALSE(sim.hasEntryPoint(Service::Hid, "SetupDiGetClassDevsA"));
}

TEST_F(SimPlatformTest, PresentPathsNeedTheSetupService)
{
    EXPECT_EQ(sim.presentKeyboardPaths(), std::nullopt);
    ASSERT_TRUE(sim.loadService(Service::Hid));
    EXPECT_EQ(sim.presentKeyboardPaths(), std::nullopt);
    ASSERT_TRUE(sim.loadService(Service::Setup));
    EXPECT_EQ(sim.presentKeyboardPaths(), std::vector<std::string>{sim.pathOf(id)});
    sim.unloadService(Service::Setup);
    EXPECT_EQ(sim.presentKeyboardPaths(), std::nullopt);
}

TEST_F(SimPlatformTest, TranscriptRecordsEveryTransferWithTimeAndAnswer)
{
    std::vector<Transfer> heard;
    sim.setTransferListener([&](const Transfer& t) { heard.push_back(t); });
    sim.sleepMs(1000);
    const Report answer = readExchange(0x80);
    ASSERT_TRUE(command(0x90, 0));
    sim.unplug(id);
    EXPECT_FALSE(command(0x80));

    const auto& t = sim.transcript();
    ASSERT_EQ(t.size(), 4u);
    const struct {
        Transfer::Direction Dir;
        Report Bytes;
        std::uint64_t TimeMs;
        bool Ok;
    } expected[] = {
        {Transfer::Set, report({0x80}), 1000, true},
        {Transfer::Get, answer, 1250, true},
        {Transfer::Set, report({0x90}), 1250, true},
        {Transfer::Set, report({0x80}), 1250, false},
    };
    for (std::size_t i = 0; i < t.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(t[i].Dir, expected[i].Dir);
        EXPECT_EQ(t[i].Path, sim.pathOf(id));
        EXPECT_EQ(t[i].Bytes, expected[i].Bytes);
        EXPECT_EQ(t[i].TimeMs, expected[i].TimeMs);
        EXPECT_EQ(t[i].Ok, expected[i].Ok);
        EXPECT_EQ(heard[i].Bytes, t[i].Bytes);
    }
    EXPECT_EQ(heard.size(), t.size());
    EXPECT_EQ(answer[1], 0);  // LED flags of the factory sonar half
    EXPECT_EQ(answer[2], 125);

    sim.clearTranscript();
    EXPECT_TRUE(sim.transcript().empty());
}

TEST_F(SimPlatformTest, FailedTransferIsRecordedAndChangesNothing)
{
    const sim::SensorHalves before = sensor.Config;
    ASSERT_TRUE(command(0x80));
    sim.failTransfer(1);
    EXPECT_FALSE(send(report({1, 2, 3, 4, 5, 6, 7, 8})));
    EXPECT_EQ(sensor.PendingMask, 0);
    ASSERT_TRUE(command(0x90, 0x01));
    EXPECT_EQ(sensor.Config, before);
    EXPECT_FALSE(sim.transcript()[1].Ok);
    EXPECT_EQ(sim.transcript()[1].Bytes, report({1, 2, 3, 4, 5, 6, 7, 8}));

    // A failed command is not taken either: the read finds no command to answer.
    sim.failTransfer(1);
    EXPECT_FALSE(command(0x8A));
    sim.sleepMs(250);
    EXPECT_EQ(read(handle).second, Report{});
    EXPECT_EQ(sim.transcript()[3].Ok, false);

    // A failed read leaves the caller's report alone and is recorded as zeros.
    ASSERT_TRUE(command(0x80));
    sim.sleepMs(250);
    sim.failTransfer(1);
    Report buffer;
    buffer.fill(0x77);
    buffer[0] = 0;
    EXPECT_FALSE(sim.getFeature(handle, buffer));
    EXPECT_EQ(buffer[1], 0x77);
    EXPECT_EQ(sim.transcript().back().Bytes, Report{});
    EXPECT_FALSE(sim.transcript().back().Ok);
}

TEST_F(SimPlatformTest, FailTransferCountsGetsAndSetsFromTheCall)
{
    ASSERT_TRUE(command(0x80));  // before the call: not counted
    sim.failTransfer(3);
    sim.failTransfer(1);
    const bool results[] = {command(0x80), read(handle).first, command(0x81), read(handle).first};
    EXPECT_EQ(std::vector<bool>(std::begin(results), std::end(results)),
              (std::vector<bool>{false, true, false, true}));
}

TEST_F(SimPlatformTest, FailAllTransfersUntilReset)
{
    sim.failAllTransfers();
    EXPECT_FALSE(command(0xB1));
    EXPECT_FALSE(read(handle).first);
    EXPECT_FALSE(sensor.KeySendsHalted);
    sim.failAllTransfers(false);
    EXPECT_TRUE(command(0xB1));
    EXPECT_TRUE(sensor.KeySendsHalted);
}

TEST_F(SimPlatformTest, UnplugDuringTransferRemovesTheDeviceJustBeforeIt)
{
    std::vector<std::size_t> removalsAtTranscriptSize;
    sim.setDeviceListener([&](const DeviceEvent& e) {
        if (e.Kind == DeviceEventKind::Removal) removalsAtTranscriptSize.push_back(sim.transcript().size());
    });
    sim.unplugDuringTransfer(2, id);
    EXPECT_TRUE(command(0x80));
    sim.sleepMs(250);
    EXPECT_FALSE(read(handle).first);
    EXPECT_EQ(removalsAtTranscriptSize, std::vector<std::size_t>{1});
    EXPECT_TRUE(sim.pluggedDevices().empty());
    EXPECT_FALSE(command(0x80));
}

TEST_F(SimPlatformTest, UnplugDuringTransferFailsThatTransferWhicheverDeviceItGoesTo)
{
    const sim::DeviceId other = sim.plugSensor();
    const platform::Handle otherHandle = sim.open(sim.pathOf(other));
    sim.unplugDuringTransfer(1, other);
    EXPECT_FALSE(command(0xB1));
    EXPECT_FALSE(sensor.KeySendsHalted);
    EXPECT_EQ(sim.pluggedDevices(), std::vector<sim::DeviceId>{id});
    EXPECT_FALSE(send(report({0xB1}), otherHandle));
    EXPECT_TRUE(command(0xB1));
}

TEST(SimClock, VirtualClockStartsAtZeroAndSleepAdvancesItAtOnce)
{
    sim::SimPlatform sim;
    EXPECT_EQ(sim.nowMs(), 0u);
    sim.sleepMs(2000);
    sim.sleepMs(250);
    EXPECT_EQ(sim.nowMs(), 2250u);
}

TEST(SimClock, RealTimeClockFollowsTheSteadyClock)
{
    sim::SimPlatform sim(true);
    const std::uint64_t first = sim.nowMs();
    EXPECT_LT(first, 1000u);
    EXPECT_GE(sim.nowMs(), first);
}

}  // namespace
