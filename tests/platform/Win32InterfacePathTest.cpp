#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

#include "platform/DevicePath.h"
#include "platform/SensorIds.h"
#include "platform/win32/InterfacePath.h"

namespace {

using win32::devicePathOf;
using win32::isDevicePath;
using win32::isSensorDevicePath;

struct Conversion {
    std::string InterfaceName;
    std::optional<std::string> Path;
};

TEST(Win32InterfacePath, InterfaceNamesTakeTheProjectPathForm)
{
    using namespace std::string_literals;
    const std::string kbdClass = "#{884b96c3-56ef-11d1-bc8c-00a0c91405dd}";
    for (const Conversion& c : {
             // Enumeration gives lower case.
             Conversion{"\\\\?\\hid#vid_fff0&pid_0001#7&1a2b3c&0&0000" + kbdClass,
                        "\\\\?\\HID#Vid_fff0&Pid_0001#7&1a2b3c&0&0000" + kbdClass},
             // Notifications give upper-case vendor and product; the rest stays as it came.
             Conversion{"\\\\?\\HID#VID_FFF1&PID_00AB&MI_00#8&2A3B&0&0000" + kbdClass,
                        "\\\\?\\HID#Vid_fff1&Pid_00ab&MI_00#8&2A3B&0&0000" + kbdClass},
             Conversion{"\\\\?\\HID#VID_046D&PID_C52B&Col01#8&2a&0&0000" + kbdClass,
                        "\\\\?\\HID#Vid_046d&Pid_c52b&Col01#8&2a&0&0000" + kbdClass},
             // Keyboards that are not USB HID ones are never the sensor.
             Conversion{"\\\\?\\ACPI#PNP0303#4&1d0b9c&0" + kbdClass, std::nullopt},
             Conversion{
                 "\\\\?\\HID#{00001124-0000-1000-8000-00805f9b34fb}_VID&0002046d_PID&b33d#9&1&0" + kbdClass,
                 std::nullopt},
             Conversion{"\\\\?\\HID#VID_FFF0&PID_0001", std::nullopt},
             Conversion{"\\\\?\\HID#VID_FFF0&PID_0001#", std::nullopt},
             Conversion{"\\\\?\\HID#VID_FFF0&PID_0001X#1", std::nullopt},
             Conversion{"\\\\?\\HID#VID_FFF0&PID_0001#1\0"s + kbdClass, std::nullopt},
             Conversion{"", std::nullopt},
         }) {
        EXPECT_EQ(devicePathOf(c.InterfaceName), c.Path) << c.InterfaceName;
    }
}

TEST(Win32InterfacePath, OpensOnlyPathsItHandsOut)
{
    const std::string name =
        "\\\\?\\hid#vid_fff0&pid_0001&mi_00#7&1a&0&0000#{884b96c3-56ef-11d1-bc8c-00a0c91405dd}";
    const auto path = devicePathOf(name);
    ASSERT_TRUE(path);
    EXPECT_TRUE(isDevicePath(*path));
    for (const std::string& other :
         {name, std::string("C:\\Windows\\win.ini"), std::string("\\\\.\\PhysicalDrive0"),
          std::string("\\\\?\\ACPI#PNP0303#4&1d0b9c&0"), std::string()}) {
        EXPECT_FALSE(isDevicePath(other)) << other;
    }
}

TEST(Win32InterfacePath, SensorsAreKnownByTheVendorAndProductTheirPathNames)
{
    const std::string rest = "&MI_00#8&2A3B&0&0000#{884b96c3-56ef-11d1-bc8c-00a0c91405dd}";
    for (const std::uint16_t vendor : {kSensorVendorIdA, kSensorVendorIdB}) {
        EXPECT_TRUE(isSensorDevicePath(platform::devicePathPrefix(vendor, kSensorProductId) + rest))
            << vendor;
    }
    EXPECT_FALSE(
        isSensorDevicePath(platform::devicePathPrefix(kSensorVendorIdA, kSensorProductId + 1) + rest));
    EXPECT_FALSE(isSensorDevicePath(platform::devicePathPrefix(0x046D, kSensorProductId) + rest));
    // Only in the form the backend hands out.
    std::string native = platform::devicePathPrefix(kSensorVendorIdA, kSensorProductId) + rest;
    std::ranges::transform(native, native.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_FALSE(isSensorDevicePath(native));
}

}  // namespace
