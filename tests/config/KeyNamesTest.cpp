// Key sets as text, the key-sequence rules shared by the pages and
// tolvanectl, and a template file read into a configuration set.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "config/KeyNames.h"
#include "config/KeySequence.h"
#include "config/TemplateFile.h"
#include "devlib/DevLib.h"

namespace {

TEST(KeyNames, EveryNamedKeyReadsBackAsItsCode)
{
    for (const KeyNameEntry* entry = KeyNameTable.data(); entry->Name != nullptr; ++entry) {
        const KeySet keySet{0x05, static_cast<std::uint8_t>(entry->Code)};
        const std::string text = KeySetText(keySet);
        const auto parsed = ParseKeySequence(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(*parsed, std::vector<KeySet>{keySet}) << text;
    }
}

struct TextCase {
    const char* Label;
    KeySet Keys;
    const char* Text;
};

void PrintTo(const TextCase& c, std::ostream* out)
{
    *out << c.Label;
}

class KeySetTextCases : public testing::TestWithParam<TextCase> {};

TEST_P(KeySetTextCases, ModifiersInBitOrderThenTheKey)
{
    EXPECT_EQ(KeySetText(GetParam().Keys), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeySetTextCases,
    testing::Values(TextCase{"LockChord", {0x08, 0x0F}, "LGUI+L"},
                    TextCase{"SecureAttention", {0x05, 0x4C}, "LCTL+LALT+DELETE"},
                    TextCase{"NoKeySet", {0x00, 0x00}, "[NONE]"},
                    TextCase{"ModifierWithoutKey", {0x02, 0x00}, "LShft+[NONE]"},
                    TextCase{"EveryModifier", {0xFF, 0x29}, "LCTL+LShft+LALT+LGUI+RCTL+RShft+RALT+RGUI+ESC"},
                    TextCase{"CodeWithoutName", {0x00, 0x32}, "0x32"},
                    TextCase{"NameWithComma", {0x00, 0x36}, ", COMMA"}),
    [](const testing::TestParamInfo<TextCase>& instance) { return std::string(instance.param.Label); });

struct SequenceCase {
    const char* Label;
    const char* Text;
    std::vector<KeySet> Keys;
};

void PrintTo(const SequenceCase& c, std::ostream* out)
{
    *out << c.Label;
}

class KeySequenceCases : public testing::TestWithParam<SequenceCase> {};

TEST_P(KeySequenceCases, Parse)
{
    const auto parsed = ParseKeySequence(GetParam().Text);
    ASSERT_TRUE(parsed) << GetParam().Text;
    EXPECT_EQ(*parsed, GetParam().Keys);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeySequenceCases,
    testing::Values(SequenceCase{"Empty", "", {}}, SequenceCase{"OnlyBlanks", "  ", {}},
                    SequenceCase{"FourKeySets",
                                 "LCTL+LALT+DELETE, K, BKSPC, ESC",
                                 {{0x05, 0x4C}, {0, 0x0E}, {0, 0x2A}, {0, 0x29}}},
                    SequenceCase{"LowerCase", "lgui+l", {{0x08, 0x0F}}},
                    SequenceCase{
                        "NamesWithCommaAndPlus", "A,, COMMA,KP +", {{0, 0x04}, {0, 0x36}, {0, 0x57}}},
                    SequenceCase{"ModifierWithPlusKey", "LCTL+KP +", {{0x01, 0x57}}},
                    SequenceCase{"NameWithBlankAndBrackets", "KP 1 [END]", {{0, 0x59}}},
                    SequenceCase{"HexCodes", "0x32, 0X64", {{0, 0x32}, {0, 0x64}}},
                    SequenceCase{"ModifierWithoutKey", "RSHFT+[NONE]", {{0x20, 0}}}),
    [](const testing::TestParamInfo<SequenceCase>& instance) { return std::string(instance.param.Label); });

TEST(KeyNames, TextThatNamesNoKeyIsRefusedWithThePart)
{
    for (const char* text : {"LGUI+", "LGUI", "Q W", "A,", "0x", "0x123", "F13", "LCTL+LALT"}) {
        std::string error;
        EXPECT_FALSE(ParseKeySequence(text, &error)) << text;
        EXPECT_TRUE(error.starts_with("no key named")) << text << ": " << error;
    }
}

TEST(KeySequence, DefinedKeySetsAreStoredSqueezedWithTheirCount)
{
    tsWalkAwayParms block{};
    block[InterKeyDelayWA] = 320;
    block[Flags0WA] = 1;
    for (std::size_t i = 0; i < 6; ++i) block[Key1CodeWA + i] = 0x10;
    const std::vector<KeySet> keys = {{0, 0}, {0x08, 0x0F}, {0, 0}, {0x02, 0}};

    EXPECT_EQ(StoreKeySets(KeyBlock(block.Words), kBaseKeyLayout, keys), 2u);

    EXPECT_EQ(block[KeyCountWA], 2);
    EXPECT_EQ(KeySetsOf(ConstKeyBlock(block.Words), kBaseKeyLayout),
              (std::vector<KeySet>{{0x08, 0x0F}, {0x02, 0}}));
    for (std::size_t i = 2; i < 6; ++i) EXPECT_EQ(block[Key1CodeWA + i], 0) << i;
    EXPECT_EQ(block[InterKeyDelayWA], 320);
    EXPECT_EQ(block[Flags0WA], 1);
}

TEST(KeySequence, DelayRule)
{
    EXPECT_TRUE(InterKeyDelayAccepted(0, false));
    EXPECT_TRUE(InterKeyDelayAccepted(64, true));
    EXPECT_TRUE(InterKeyDelayAccepted(16320, true));
    EXPECT_FALSE(InterKeyDelayAccepted(63, true));
    EXPECT_FALSE(InterKeyDelayAccepted(16321, true));
    EXPECT_EQ(StoredWord(100), 100);
    EXPECT_EQ(StoredWord(70000), 65535);
}

// Reading a template is a step from file and configuration to configuration:
// fields the file names take its values, the others keep the ones given, and
// a value the library would refuse is kept as read, for the caller to name
// rather than drop the block without a word. No sensor is involved.
TEST(TemplateValues, ReadOverTheGivenConfiguration)
{
    ConfigSet given{};
    given.Sonar[PingRateS] = 100;
    given.WalkAway[KeyCountWA] = 3;
    given.WalkUp[InterKeyDelayWU] = 512;
    const std::string path = testing::TempDir() + "tolvane-configset.txt";
    std::ofstream(path) << "PingRateS = 600\nKeyCountWU = 9\n";

    ConfigSet blocks = given;
    EXPECT_EQ(ReadTemplateValues(path, blocks), 1);

    EXPECT_EQ(blocks.Sonar[PingRateS], 600);
    EXPECT_EQ(blocks.WalkAway, given.WalkAway);
    EXPECT_EQ(blocks.WalkUp[KeyCountWU], 9);
    EXPECT_EQ(blocks.WalkUp[InterKeyDelayWU], 512);
    const ConfigSet read = blocks;
    EXPECT_EQ(ReadTemplateValues(path + ".missing", blocks), 0);
    EXPECT_EQ(blocks, read) << "a file that cannot be read changes nothing";
    std::remove(path.c_str());
}

}  // namespace
