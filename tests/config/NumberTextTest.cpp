#include "config/NumberText.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

struct NumberCase {
    std::string_view text;
    std::uint32_t value;
};

TEST(NumberTextTest, ReadsDigitsOnlyAndHoldsLongNumbersAboveEveryLimit)
{
    constexpr std::uint32_t kLargest = 4294967295u;
    const NumberCase cases[] = {
        {"", 0},
        {"   ", 0},
        {"0", 0},
        {"16320", 16320},
        {"00064", 64},
        {" 42\t", 42},
        {"abc", 0},
        {"12ab", 0},
        {"1 2", 0},
        {"-5", 0},
        {"+5", 0},
        {"4294967295", kLargest},
        {"4294967296", kLargest},
        {"99999999999", kLargest},
        {"0000000000000000000000000000001", 1},
        {"123456789012345678901234567890123456789012345678901234567890", kLargest},
        {"99999999999x", 0},
    };
    for (const NumberCase& c : cases) EXPECT_EQ(readUnsignedNumber(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
