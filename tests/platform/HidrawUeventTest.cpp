#include <gtest/gtest.h>

#include <string>

#include "platform/hidraw/UeventValues.h"

namespace {

using hidraw::parseBcdDevice;
using hidraw::parseHidId;

TEST(HidIdValue, ReadsBusVendorAndProductInEitherCase)
{
    const auto upper = parseHidId("0003:0000FFF0:00000001");
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->Bus, 0x0003);
    EXPECT_EQ(upper->VendorId, 0xFFF0);
    EXPECT_EQ(upper->ProductId, 0x0001);

    const auto lower = parseHidId("0005:0000046d:0000b342");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->Bus, 0x0005);
    EXPECT_EQ(lower->VendorId, 0x046D);
    EXPECT_EQ(lower->ProductId, 0xB342);
}

TEST(HidIdValue, RejectsMalformedValues)
{
    for (const std::string value : {
             "",
             "0003:0000FFF0",
             "0003:0000FFF0:00000001:0",
             "0003:0001FFF0:00000001",
             "0003:0000FFF0:00010001",
             "0003::00000001",
             "0003:0000FFFG:00000001",
             "0003:000000FFF0:00000001",
             "0003:0000FFF0:00000001\n",
             " 0003:0000FFF0:00000001",
             "HID_ID=0003:0000FFF0:00000001",
             "0003:-000FFF0:00000001",
         }) {
        EXPECT_FALSE(parseHidId(value)) << value;
    }
}

TEST(BcdDeviceText, ReadsUpToFourHexDigits)
{
    EXPECT_EQ(parseBcdDevice("0405"), 0x0405);
    EXPECT_EQ(parseBcdDevice("0405\n"), 0x0405);
    EXPECT_EQ(parseBcdDevice("1"), 0x0001);
    EXPECT_EQ(parseBcdDevice("1a2F"), 0x1A2F);
    EXPECT_EQ(parseBcdDevice("ffff"), 0xFFFF);
    for (const std::string text : {"", "\n", "10405", "04.05", "x405", "-405", " 0405", "0x45"}) {
        EXPECT_FALSE(parseBcdDevice(text)) << text;
    }
}

}  // namespace
