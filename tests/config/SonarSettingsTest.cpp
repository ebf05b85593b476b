// The Sonar settings table: where each setting lives on old and new firmware,
// and that storing one leaves every other setting of its word as it was.

#include <gtest/gtest.h>

#include <vector>

#include "config/BlockWriters.h"
#include "config/SonarSettings.h"

namespace {

using namespace sonar;

constexpr std::int32_t kPackedFw = 0x0142;
constexpr std::int32_t kSeparateFw = 0x0143;

const SonarSetting* const kAll[] = {
    &kMinDistance,         &kMaxDistance,      &kInRangeDelay, &kOutOfRangeDelay, &kInRangeDelayUnit,
    &kOutOfRangeDelayUnit, &kPowerUpDelay,     &kPingRate,     &kInRangeLed,      &kOutOfRangeLed,
    &kTransitionLed,       &kMinDistanceFault, &kDeadTarget,   &kDeadTargetDelta, &kDeadTargetTime,
};

std::vector<const SonarSetting*> OnFirmwareOnly(std::int32_t fw)
{
    std::vector<const SonarSetting*> present;
    for (const SonarSetting* setting : kAll)
        if (const SonarSetting* where = OnFirmware(*setting, fw)) present.push_back(where);
    return present;
}

bool SameWord(const SonarSetting& a, const SonarSetting& b)
{
    return a.Block == b.Block && a.Word == b.Word;
}

// A word full of other values: storing a setting must change only its bits.
TEST(SonarSettings, StoringOneSettingKeepsTheOthersOfItsWord)
{
    for (std::int32_t fw : {kPackedFw, kSeparateFw}) {
        const std::vector<const SonarSetting*> present = OnFirmwareOnly(fw);
        for (const SonarSetting* stored : present) {
            ConfigSet blocks{};
            for (const SonarSetting* other : present)
                FieldWord(blocks, {{}, {}, other->Block, other->Word}) = 0x5A5A;
            ConfigSet before = blocks;
            StoreIn(blocks, *stored, 1);
            EXPECT_EQ(ValueIn(blocks, *stored), 1u) << stored->Name << " on " << fw;
            for (const SonarSetting* other : present) {
                if (other == stored || (SameWord(*other, *stored) && other->Bits == stored->Bits)) continue;
                EXPECT_EQ(ValueIn(blocks, *other), ValueIn(before, *other))
                    << "storing " << stored->Name << " changed " << other->Name << " on " << fw;
            }
        }
    }
}

TEST(SonarSettings, DelaysArePackedOnOlderFirmwareAndSeparateFromTheFirstThatSplitsThem)
{
    ConfigSet blocks{};
    blocks.Sonar[ORDBTmS] = 0x3C;
    blocks.Sonar[IRDBTmS] = 200;
    EXPECT_EQ(ValueIn(blocks, *OnFirmware(kInRangeDelay, kPackedFw)), 3u);
    EXPECT_EQ(ValueIn(blocks, *OnFirmware(kOutOfRangeDelay, kPackedFw)), 12u);
    EXPECT_EQ(ValueIn(blocks, *OnFirmware(kInRangeDelay, kSeparateFw)), 200u);
    EXPECT_EQ(ValueIn(blocks, *OnFirmware(kOutOfRangeDelay, kSeparateFw)), 0x3Cu);
    EXPECT_EQ(OnFirmware(kInRangeDelay, kPackedFw)->Limit, 15u);
    EXPECT_EQ(OnFirmware(kInRangeDelay, kSeparateFw)->Limit, 255u);

    // The packed pair is the whole word; the separate in-range byte is not touched.
    blocks.Sonar[ORDBTmS] = 0xAB00;
    StoreDelays(blocks, kPackedFw, 15, 5);
    EXPECT_EQ(blocks.Sonar[ORDBTmS], 0xF5);
    EXPECT_EQ(blocks.Sonar[IRDBTmS], 200);
    StoreDelays(blocks, kSeparateFw, 30, 40);
    EXPECT_EQ(blocks.Sonar[IRDBTmS], 30);
    EXPECT_EQ(blocks.Sonar[ORDBTmS], 40);
}

// An indicator is on while its bit is clear, and older firmware has none.
TEST(SonarSettings, IndicatorsAreOnWhileTheirBitIsClear)
{
    ConfigSet blocks{};
    blocks.Sonar[LEDFlagsS] = kLedOutOfRangeBit;
    EXPECT_TRUE(IsOn(blocks, kInRangeLed));
    EXPECT_FALSE(IsOn(blocks, kOutOfRangeLed));
    StoreSwitch(blocks, kTransitionLed, false);
    StoreSwitch(blocks, kOutOfRangeLed, true);
    EXPECT_EQ(blocks.Sonar[LEDFlagsS], kLedTransitionBit);
    for (const SonarSetting* led : kLeds) EXPECT_EQ(OnFirmware(*led, kPackedFw), nullptr) << led->Name;
}

// A failed write names the block the setting lives in.
TEST(SonarSettings, AFailedWriteNamesTheSettingsBlock)
{
    const std::pair<const SonarSetting*, const char*> cases[] = {
        {&kPingRate, "Sonar"},          {&kDeadTargetTime, "Idle"},          {&kMinDistanceFault, "Idle"},
        {&kInRangeDelayUnit, "WalkUp"}, {&kOutOfRangeDelayUnit, "WalkAway"},
    };
    for (const auto& [setting, block] : cases)
        EXPECT_STREQ(BlockWriterOf(setting->Block).Name, block) << setting->Name;
}

}  // namespace
