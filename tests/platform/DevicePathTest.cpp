#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/DevicePath.h"

namespace {

using platform::readDevicePathHead;

TEST(DevicePath, PrefixIsTwentyFiveCharactersOfLowerCaseHex)
{
    EXPECT_EQ(platform::devicePathPrefix(0xABCD, 0x00EF), "\\\\?\\HID#Vid_abcd&Pid_00ef");
    EXPECT_EQ(platform::devicePathPrefix(0, 0xFFFF).size(), 25u);
    EXPECT_EQ(platform::makeDevicePath(0xFFF0, 0x0001, "hidraw3"), "\\\\?\\HID#Vid_fff0&Pid_0001#hidraw3");
}

struct HeadCase {
    std::string Path;
    std::optional<std::uint16_t> Vendor;  // nullopt: the path does not begin with a head
    std::uint16_t Product;
    std::string Rest;
};

TEST(DevicePath, HeadGivesVendorProductAndTheRest)
{
    using namespace std::string_literals;
    for (const HeadCase& c : {
             HeadCase{"\\\\?\\HID#Vid_fff0&Pid_0001#hidraw3", 0xFFF0, 0x0001, "#hidraw3"},
             HeadCase{"\\\\?\\hid#vid_046d&pid_c52b&mi_00#8&2a&0&0000#{x}", 0x046D, 0xC52B,
                      "&mi_00#8&2a&0&0000#{x}"},
             HeadCase{"\\\\?\\HID#VID_046D&PID_C52B", 0x046D, 0xC52B, ""},
             HeadCase{"", std::nullopt, 0, ""},
             HeadCase{"\\\\?\\HID#Vid_fff&Pid_0001#x", std::nullopt, 0, ""},
             HeadCase{"\\\\?\\HID#Vid_gff0&Pid_0001#x", std::nullopt, 0, ""},
             HeadCase{"\\\\?\\HID#Vid_+ff0&Pid_0001#x", std::nullopt, 0, ""},
             HeadCase{"\\\\?\\HID#Vid_fff0&Pid_001", std::nullopt, 0, ""},
             HeadCase{"\\\\?\\HID#Vid_fff0#Pid_0001#x", std::nullopt, 0, ""},
             HeadCase{"\\\\.\\HID#Vid_fff0&Pid_0001#x", std::nullopt, 0, ""},
             HeadCase{"\\\\?\\ACPI#PNP0303#4&1d&0#{x}", std::nullopt, 0, ""},
             HeadCase{"\\\\?\\HID#Vid_ff\0f&Pid_0001#x"s, std::nullopt, 0, ""},
         }) {
        const auto head = readDevicePathHead(c.Path);
        ASSERT_EQ(head.has_value(), c.Vendor.has_value()) << c.Path;
        if (!head) continue;
        EXPECT_EQ(head->VendorId, *c.Vendor) << c.Path;
        EXPECT_EQ(head->ProductId, c.Product) << c.Path;
        EXPECT_EQ(head->Rest, c.Rest) << c.Path;
    }
}

TEST(DevicePath, AWindowsInterfaceIsShownByItsWholePath)
{
    const std::string path =
        "\\\\?\\HID#Vid_fff0&Pid_0001&MI_00#8&2a3b&0&0000#{884b96c3-56ef-11d1-bc8c-00a0c91405dd}";
    EXPECT_EQ(platform::deviceNodeOf(path), path);
}

}  // namespace
