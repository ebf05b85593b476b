// The firmware version as text: written one way and read back the same way
// by the sheet, the Virtual Sensors window and tolvanectl.

#include "config/FirmwareVersion.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace {

TEST(FirmwareVersionTest, TextIsHexMajorDotTwoHexMinorDigits)
{
    const struct {
        std::int32_t Word;
        const char* Text;
    } cases[] = {
        {0x0405, "4.05"},
        {0x0000, "0.00"},
        {0x0143, "1.43"},
        {0x0A1F, "A.1F"},
        {0x8001, "80.01"},
        {0xFFFF, "FF.FF"},
        // The version word widened with its sign, as the sheet holds it.
        {static_cast<std::int16_t>(0x8001), "FF80.01"},
    };
    for (const auto& c : cases) EXPECT_EQ(FirmwareText(c.Word), c.Text) << std::hex << c.Word;
}

TEST(FirmwareVersionTest, ReadsOneOrTwoMajorAndExactlyTwoMinorHexDigits)
{
    const struct {
        std::string_view Text;
        std::optional<std::uint16_t> Word;
    } cases[] = {
        {"4.05", 0x0405}, {"1.43", 0x0143}, {"0.00", 0x0000}, {"1a.0f", 0x1A0F}, {"FF.FF", 0xFFFF},
        {"4.5", {}},      {"4.005", {}},    {"123.45", {}},   {".05", {}},       {"4.", {}},
        {"4", {}},        {"", {}},         {"1e3", {}},      {"4,05", {}},      {" 4.05", {}},
        {"4.05 ", {}},    {"+4.05", {}},    {"4.-5", {}},     {"g.00", {}},      {"4.0x", {}},
        {"4.05.01", {}},  {"FF80.01", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseFirmware(c.Text), c.Word) << c.Text;
}

TEST(FirmwareVersionTest, EveryVersionWordReadsBackFromItsText)
{
    for (std::uint32_t word = 0; word <= 0xFFFF; ++word) {
        const std::string text = FirmwareText(static_cast<std::uint16_t>(word));
        ASSERT_EQ(ParseFirmware(text), std::optional<std::uint16_t>(static_cast<std::uint16_t>(word)))
            << text;
    }
}

}  // namespace
