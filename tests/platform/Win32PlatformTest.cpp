// The Windows backend on the system's own HID.DLL and SETUPAPI.DLL, through
// the device library's binding and discovery. Runs on Windows and under Wine,
// where no sensor is attached.

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "devlib/DevLib.h"
#include "platform/win32/InterfacePath.h"
#include "platform/win32/Win32Platform.h"

namespace {

using platform::Service;
using win32::ServiceBinding;
using win32::Win32Platform;

std::vector<std::string> hidNames()
{
    return {"HidD_GetAttributes", "HidD_GetFeature", "HidD_SetFeature", "HidD_GetHidGuid", "HidP_GetCaps"};
}

std::vector<std::string> setupNames()
{
    return {"SetupDiGetClassDevsA", "SetupDiEnumDeviceInterfaces", "SetupDiGetDeviceInterfaceDetailA",
            "SetupDiDestroyDeviceInfoList"};
}

// Installs a backend on a fresh library state; the library lets go of it
// before the next one or the end of the test.
class Win32PlatformTest : public ::testing::Test {
protected:
    // The backend binds by the names it was built with, unless told others.
    Win32Platform& use(ServiceBinding hid = win32::hidServiceBinding(),
                       ServiceBinding setup = win32::setupServiceBinding())
    {
        letGo();
        backend_.emplace(std::move(hid), std::move(setup));
        platform::install(&*backend_);
        ResetLibState();
        LibState().Setup = tsSetupBinding{};
        return *backend_;
    }

    void TearDown() override { letGo(); }

private:
    void letGo()
    {
        if (!backend_) return;
        CloseAllDevices();
        platform::install(nullptr);
        backend_.reset();
    }

    std::optional<Win32Platform> backend_;
};

TEST_F(Win32PlatformTest, BindsTheSystemServicesByModuleAndEntryPointName)
{
    use();

    ASSERT_EQ(BindHidLib(), 1);
    const tsHidBinding& hid = LibState().Hid;
    EXPECT_TRUE(hid.Module && hid.GetAttributes && hid.GetFeature && hid.SetFeature && hid.GetHidGuid &&
                hid.GetCaps);
    const std::uint8_t keyboardClass[16] = {0xC3, 0x96, 0x4B, 0x88, 0xEF, 0x56, 0xD1, 0x11,
                                            0xBC, 0x8C, 0x00, 0xA0, 0xC9, 0x14, 0x05, 0xDD};
    EXPECT_EQ(std::memcmp(LibState().InterfaceClass, keyboardClass, sizeof keyboardClass), 0);

    ASSERT_EQ(BindSetupLib(), 1);
    const tsSetupBinding& setup = LibState().Setup;
    EXPECT_TRUE(setup.Module && setup.GetClassDevs && setup.EnumDeviceInterfaces &&
                setup.GetDeviceInterfaceDetail && setup.DestroyDeviceInfoList);
}

// One entry point of one service under a wrong name.
struct Misspelling {
    Service Of;
    std::size_t Index;
};

class Win32MisspeltEntryPointTest : public Win32PlatformTest,
                                    public ::testing::WithParamInterface<Misspelling> {};

TEST_P(Win32MisspeltEntryPointTest, MakesThatServiceFailToBind)
{
    const Misspelling misspelling = GetParam();
    std::vector<std::string> hid = hidNames();
    std::vector<std::string> setup = setupNames();
    std::string& wrong = (misspelling.Of == Service::Hid ? hid : setup).at(misspelling.Index);
    wrong += "Ex";
    Win32Platform& windows = use(ServiceBinding("HID.DLL", hid), ServiceBinding("SETUPAPI.DLL", setup));

    // The system has no entry point of the wrong name.
    ASSERT_TRUE(windows.loadService(misspelling.Of));
    EXPECT_FALSE(windows.hasEntryPoint(misspelling.Of, wrong));
    windows.unloadService(misspelling.Of);

    if (misspelling.Of == Service::Hid) {
        EXPECT_EQ(BindHidLib(), 0);
        EXPECT_FALSE(LibState().Hid.Module);
        tsDevSlot slot{};
        EXPECT_EQ(OpenSensorPath("\\\\?\\HID#Vid_fff0&Pid_0001#1&2&0&0000", &slot), platform::kInvalidHandle);
    } else {
        ASSERT_EQ(BindHidLib(), 1);
        EXPECT_EQ(BindSetupLib(), 0);
        EXPECT_FALSE(LibState().Setup.Module);
    }
    EnumSensors();
    EXPECT_EQ(GetDevCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryEntryPoint, Win32MisspeltEntryPointTest,
                         ::testing::Values(Misspelling{Service::Hid, 0}, Misspelling{Service::Hid, 1},
                                           Misspelling{Service::Hid, 2}, Misspelling{Service::Hid, 3},
                                           Misspelling{Service::Hid, 4}, Misspelling{Service::Setup, 0},
                                           Misspelling{Service::Setup, 1}, Misspelling{Service::Setup, 2},
                                           Misspelling{Service::Setup, 3}));

TEST_F(Win32PlatformTest, AModuleThatCannotBeLoadedFailsTheBinding)
{
    use(ServiceBinding("NOHID.DLL", hidNames()));
    EXPECT_EQ(BindHidLib(), 0);

    use(win32::hidServiceBinding(), ServiceBinding("NOSETUP.DLL", setupNames()));
    EXPECT_EQ(BindHidLib(), 1);
    EXPECT_EQ(BindSetupLib(), 0);
}

TEST_F(Win32PlatformTest, DiscoveryWithoutASensorLeavesTheTableEmpty)
{
    use();

    EnumSensors();
    EXPECT_EQ(GetDevCount(), 0);
    // The HID binding stays; the setup binding lasted for the one discovery.
    EXPECT_TRUE(LibState().Hid.Module);
    EXPECT_FALSE(LibState().Setup.Module);
    EXPECT_EQ(OpenSensors(nullptr), 0);
}

TEST_F(Win32PlatformTest, EnumerationGivesPathsInTheProjectForm)
{
    Win32Platform windows;
    ASSERT_TRUE(windows.loadService(Service::Setup));
    for (const std::string& name : setupNames()) ASSERT_TRUE(windows.hasEntryPoint(Service::Setup, name));

    const auto paths = windows.presentKeyboardPaths();
    ASSERT_TRUE(paths);
    for (const std::string& path : *paths) EXPECT_TRUE(win32::isDevicePath(path)) << path;

    windows.unloadService(Service::Setup);
    EXPECT_FALSE(windows.presentKeyboardPaths());
}

TEST_F(Win32PlatformTest, TransfersWithoutASensorFailWithTheLibraryCodes)
{
    use();
    ASSERT_EQ(BindHidLib(), 1);

    std::uint8_t report[9] = {};
    EXPECT_EQ(GetFeatureRpt(report), 0);
    EXPECT_EQ(GetDevStatus(), kStatusReadNoHandle);
    EXPECT_EQ(SetFeatureRpt(report), 0);
    EXPECT_EQ(GetDevStatus(), kStatusSendNoHandle);
}

TEST_F(Win32PlatformTest, OpensOnlySensorInterfacesThatArePresent)
{
    Win32Platform windows;
    for (const std::string& path : {std::string("C:\\windows\\win.ini"), std::string("\\\\.\\NUL"),
                                    std::string("\\\\?\\HID#Vid_046d&Pid_c52b#9&9&0&0000#{absent}"),
                                    std::string("\\\\?\\HID#Vid_fff0&Pid_0001#9&9&0&0000#{absent}")}) {
        EXPECT_EQ(windows.open(path), platform::kInvalidHandle) << path;
    }
    // Absent is not refused.
    EXPECT_TRUE(windows.inaccessibleSensorPaths().empty());
}

// A handle that is open but not a HID device: the HID calls fail and say so.
TEST_F(Win32PlatformTest, HidCallsOnAnotherKindOfHandleFail)
{
    Win32Platform windows;
    ASSERT_TRUE(windows.loadService(Service::Hid));
    for (const std::string& name : hidNames()) ASSERT_TRUE(windows.hasEntryPoint(Service::Hid, name));

    char directory[MAX_PATH];
    char file[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, directory), 0u);
    ASSERT_NE(GetTempFileNameA(directory, "tlv", 0, file), 0u);
    HANDLE handle =
        CreateFileA(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    const auto notHid = reinterpret_cast<platform::Handle>(handle);

    const platform::HidAttributes attributes = windows.attributes(notHid);
    EXPECT_EQ(attributes.VendorID, 0);
    EXPECT_EQ(attributes.ProductID, 0);
    EXPECT_EQ(attributes.VersionNumber, 0);
    std::array<std::uint8_t, 9> report{};
    EXPECT_FALSE(windows.getFeature(notHid, report));
    EXPECT_FALSE(windows.setFeature(notHid, report));
    windows.close(notHid);

    EXPECT_FALSE(windows.getFeature(platform::kInvalidHandle, report));
    EXPECT_EQ(windows.attributes(platform::kInvalidHandle).VendorID, 0);
}

TEST_F(Win32PlatformTest, SleepWaitsAndTheClockFollowsRealTime)
{
    Win32Platform windows;
    const auto realStart = std::chrono::steady_clock::now();
    const std::uint64_t start = windows.nowMs();
    windows.sleepMs(200);
    const std::uint64_t ticks = windows.nowMs() - start;
    const auto real =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - realStart);
    EXPECT_GE(real.count(), 190);
    // The tick count moves in steps of about 16 ms and may lag on a busy machine, never run ahead.
    EXPECT_GE(ticks, 100u);
    EXPECT_LE(ticks, static_cast<std::uint64_t>(real.count()) + 32u);
}

}  // namespace
