#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/DevicePath.h"
#include "platform/SensorIds.h"
#include "platform/hidraw/HidrawMonitor.h"
#include "platform/hidraw/HidrawPath.h"
#include "platform/hidraw/HidrawPlatform.h"

namespace {

using platform::Service;

// Records the waits instead of sleeping.
class RecordingPlatform : public hidraw::HidrawPlatform {
public:
    void sleepMs(std::uint32_t ms) override { Sleeps.push_back(ms); }
    std::vector<std::uint32_t> Sleeps;
};

// A descriptor that is not a hidraw node.
class DevNull {
public:
    DevNull() : fd_(::open("/dev/null", O_RDWR | O_CLOEXEC)) {}
    ~DevNull() { ::close(fd_); }
    platform::Handle handle() const { return fd_; }

private:
    int fd_;
};

TEST(HidrawPlatform, BindsBothServicesWithTheEntryPointsTheLibraryNames)
{
    hidraw::HidrawPlatform hid;
    EXPECT_TRUE(hid.loadService(Service::Hid));
    EXPECT_TRUE(hid.loadService(Service::Setup));
    for (const char* name :
         {"HidD_GetAttributes", "HidD_GetFeature", "HidD_SetFeature", "HidD_GetHidGuid", "HidP_GetCaps"}) {
        EXPECT_TRUE(hid.hasEntryPoint(Service::Hid, name)) << name;
        EXPECT_FALSE(hid.hasEntryPoint(Service::Setup, name)) << name;
    }
    for (const char* name : {"SetupDiGetClassDevsA", "SetupDiEnumDeviceInterfaces",
                             "SetupDiGetDeviceInterfaceDetailA", "SetupDiDestroyDeviceInfoList"}) {
        EXPECT_TRUE(hid.hasEntryPoint(Service::Setup, name)) << name;
        EXPECT_FALSE(hid.hasEntryPoint(Service::Hid, name)) << name;
    }
    EXPECT_FALSE(hid.hasEntryPoint(Service::Hid, "HidD_FlushQueue"));
    EXPECT_FALSE(hid.hasEntryPoint(Service::Hid, "hidd_getfeature"));
    EXPECT_FALSE(hid.hasEntryPoint(Service::Setup, ""));
}

// No sensor is attached here; the point is that enumeration works and gives
// only well-formed paths.
TEST(HidrawPlatform, EnumeratesKeyboardsAsHidrawPaths)
{
    hidraw::HidrawPlatform hid;
    const auto paths = hid.presentKeyboardPaths();
    ASSERT_TRUE(paths);
    for (const std::string& path : *paths) {
        EXPECT_TRUE(hidraw::parseDevicePath(path)) << path;
    }
}

TEST(HidrawPlatform, OpenRefusesPathsThatNameNoHidrawNode)
{
    RecordingPlatform hid;
    for (const std::string path :
         {"", "/dev/null", "\\\\?\\HID#Vid_fff0&Pid_0001#../null", "\\\\?\\HID#Vid_fff0&Pid_0001#null"}) {
        EXPECT_EQ(hid.open(path), platform::kInvalidHandle) << path;
    }
    EXPECT_TRUE(hid.Sleeps.empty());
}

TEST(HidrawPlatform, MissingSensorNodeFailsWithoutWaiting)
{
    RecordingPlatform hid;
    const std::string path = platform::makeDevicePath(kSensorVendorIdA, kSensorProductId, "hidraw999999");
    EXPECT_EQ(hid.open(path), platform::kInvalidHandle);
    EXPECT_TRUE(hid.Sleeps.empty());
}

// Another keyboard's node is never opened, and a sensor path whose node sysfs
// does not show is refused at once; neither counts as refused for lack of access.
TEST(HidrawPlatform, OpenTouchesNoNodeButAPresentSensorsAndWaitsForNone)
{
    RecordingPlatform hid;
    for (const std::string& path :
         {platform::makeDevicePath(0x046d, 0xc31c, "hidraw0"),
          platform::makeDevicePath(kSensorVendorIdA, 0x0002, "hidraw0"),
          platform::makeDevicePath(kSensorVendorIdB, kSensorProductId, "hidraw999998")}) {
        EXPECT_EQ(hid.open(path), platform::kInvalidHandle) << path;
    }
    EXPECT_TRUE(hid.Sleeps.empty());
    EXPECT_TRUE(hid.inaccessibleSensorPaths().empty());
}

TEST(HidrawPlatform, HandleOperationsFailOnWhatIsNotAHidrawNode)
{
    hidraw::HidrawPlatform hid;
    DevNull notHidraw;
    std::array<std::uint8_t, 9> report{};
    const std::array<std::uint8_t, 9> command{0, 0x80};
    for (const platform::Handle handle : {platform::kInvalidHandle, notHidraw.handle()}) {
        const platform::HidAttributes attributes = hid.attributes(handle);
        EXPECT_EQ(attributes.VendorID, 0) << handle;
        EXPECT_EQ(attributes.ProductID, 0) << handle;
        EXPECT_EQ(attributes.VersionNumber, 0) << handle;
        EXPECT_FALSE(hid.getFeature(handle, report)) << handle;
        EXPECT_FALSE(hid.setFeature(handle, command)) << handle;
    }
    EXPECT_FALSE(hid.getFeature(notHidraw.handle(), std::span<std::uint8_t>{}));
    EXPECT_FALSE(hid.setFeature(notHidraw.handle(), std::span<const std::uint8_t>{}));
    hid.close(platform::kInvalidHandle);
}

TEST(HidrawPlatform, NowIsTheMonotonicClockInMilliseconds)
{
    hidraw::HidrawPlatform hid;
    const auto steadyMs = [] {
        const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
    };
    const std::uint64_t before = steadyMs();
    const std::uint64_t now = hid.nowMs();
    const std::uint64_t after = steadyMs();
    EXPECT_GE(now, before);
    EXPECT_LE(now, after);
}

TEST(HidrawMonitor, ListensWithoutBlockingWhenNothingHappens)
{
    hidraw::HidrawMonitor monitor;
    EXPECT_GE(monitor.fd(), 0);
    EXPECT_TRUE(monitor.readEvents().empty());
}

}  // namespace
