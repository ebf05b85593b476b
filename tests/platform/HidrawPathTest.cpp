#include <gtest/gtest.h>

#include <string>

#include "platform/DevicePath.h"
#include "platform/hidraw/HidrawPath.h"

namespace {

using hidraw::parseDevicePath;

struct RoundTrip {
    std::uint16_t Vendor;
    std::uint16_t Product;
    std::string Node;
};

TEST(HidrawPath, ReadsBackWhatMakeDevicePathWrote)
{
    for (const RoundTrip& c : {RoundTrip{0xFFF0, 0x0001, "hidraw3"}, RoundTrip{0x0000, 0xFFFF, "hidraw0"},
                               RoundTrip{0xABCD, 0x1234, "hidraw123456"}}) {
        const std::string path = platform::makeDevicePath(c.Vendor, c.Product, c.Node);
        const auto parts = parseDevicePath(path);
        ASSERT_TRUE(parts) << path;
        EXPECT_EQ(parts->VendorId, c.Vendor) << path;
        EXPECT_EQ(parts->ProductId, c.Product) << path;
        EXPECT_EQ(parts->Node, c.Node) << path;
    }
}

TEST(HidrawPath, PrefixIsReadIgnoringCase)
{
    const auto parts = parseDevicePath("\\\\?\\hid#VID_FFF1&PID_00AB#hidraw7");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->VendorId, 0xFFF1);
    EXPECT_EQ(parts->ProductId, 0x00AB);
    EXPECT_EQ(parts->Node, "hidraw7");
}

TEST(HidrawPath, RejectsAnythingButAHidrawNodeInTheSeamForm)
{
    using namespace std::string_literals;
    const std::string prefix = "\\\\?\\HID#Vid_fff0&Pid_0001#";
    for (const std::string& path : {
             ""s,
             "hidraw3"s,
             "/dev/hidraw3"s,
             prefix,
             prefix + "hidraw",
             prefix + "hidraw3x",
             prefix + "hidraw-1",
             prefix + "hidraw+1",
             prefix + "hidraw1234567",
             prefix + "HIDRAW3",
             prefix + "../../etc/passwd",
             prefix + "hidraw1/../../etc/passwd",
             prefix + "hidraw3\0"s,
             prefix + "hidraw3\0x"s,
             "\\\\?\\HID#Vid_fff&Pid_0001#hidraw3"s,
             "\\\\?\\HID#Vid_gff0&Pid_0001#hidraw3"s,
             "\\\\?\\HID#Vid_+ff0&Pid_0001#hidraw3"s,
             "\\\\?\\HID#Vid_fff0&Pid_00010#hidraw3"s,
             "\\\\?\\HID#Vid_fff0#Pid_0001#hidraw3"s,
             "\\\\?\\USB#Vid_fff0&Pid_0001#hidraw3"s,
             " \\\\?\\HID#Vid_fff0&Pid_0001#hidraw3"s,
         }) {
        EXPECT_FALSE(parseDevicePath(path)) << path;
    }
}

}  // namespace

TEST(DeviceNode, HidrawNodesAreShownUnderDevOtherNamesAsTheyAre)
{
    const struct {
        std::string Rest;
        std::string Shown;
    } cases[] = {
        {"hidraw3", "/dev/hidraw3"}, {"hidraw12", "/dev/hidraw12"}, {"sim1", "sim1"},
        {"hidraw", "hidraw"},        {"hidraw3x", "hidraw3x"},      {"../hidraw3", "../hidraw3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::deviceNodeOf(platform::makeDevicePath(0xfff0, 0x0001, c.Rest)), c.Shown)
            << c.Rest;
}

TEST(UsbIds, ReadFromThePathAsVendorColonProduct)
{
    EXPECT_EQ(platform::usbIdsOf(platform::makeDevicePath(0xfff0, 0x0001, "hidraw3")), "fff0:0001");
    EXPECT_EQ(platform::usbIdsOf("sim1"), "?");
}
