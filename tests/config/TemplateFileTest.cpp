// Reading and writing template files, the same on every system.

#include <gtest/gtest.h>

#include "TemplateFileFixture.h"

namespace {

using namespace template_file_test;

std::string WithCrLf(const std::string& text)
{
    std::string converted;
    for (char c : text) {
        if (c == '\n') converted += '\r';
        converted += c;
    }
    return converted;
}

TEST_F(TemplateFileTest, WritesTheGoldenFileByteForByte)
{
    PutBlocks(Slot(), GoldenBlocks());
    Slot().FwVersion = 0x1A23;
    const fs::path path = folder / "saved.txt";

    ASSERT_EQ(WriteDevCfgToFile(path.string()), 1);

    EXPECT_EQ(ReadAll(path), ReadAll(TOLVANE_GOLDEN_TEMPLATE));
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"saved.txt"});
}

// The limits a saved file states beside a value are the ones the sensor's
// record is held to.
TEST(TemplateFields, StatedLimitsAreTheOnesApplied)
{
    const struct {
        std::string_view Field;
        std::uint16_t Min, Max;
    } limits[] = {{"PingRateS", kMinPingRate, kMaxPingRate},
                  {"MinDistS", kMinMinDist, kMaxMinDist},
                  {"MaxDistS", kMinMaxDist, kMaxMaxDist},
                  {"InterKeyDelayWA", kMinInterKeyDelay, kMaxInterKeyDelay}};
    for (const auto& limit : limits) {
        const TemplateField* field = FindTemplateField(limit.Field);
        ASSERT_NE(field, nullptr) << limit.Field;
        const std::string stated =
            "(min " + std::to_string(limit.Min) + ", max " + std::to_string(limit.Max) + ")";
        EXPECT_TRUE(field->Description.ends_with(stated)) << field->Description << " against " << stated;
    }
}

TEST_F(TemplateFileTest, ReadingTheGoldenFileRestoresAllSixBlocksAndMarksThemChanged)
{
    for (const bool crLf : {false, true}) {
        SCOPED_TRACE(crLf ? "CR LF" : "LF");
        ResetLibState();
        const fs::path path = folder / "golden.txt";
        const std::string golden = ReadAll(TOLVANE_GOLDEN_TEMPLATE);
        WriteAll(path, crLf ? WithCrLf(golden) : golden);

        ASSERT_EQ(ReadDevCfgFmFile(path.string()), 1);

        const ConfigSet expected = GoldenBlocks();
        EXPECT_EQ(BlocksOf(Slot()), expected);
        EXPECT_EQ(Slot().WalkUpEx[Key7ModsWUEx], expected.WalkUpEx[Key7ModsWUEx]);
        EXPECT_EQ(Slot().WalkUpEx[Key6ModsWUEx], expected.WalkUpEx[Key6ModsWUEx]);
        for (std::uint32_t dirty : {Slot().DirtySonar, Slot().DirtyWalkAway, Slot().DirtyWalkUp,
                                    Slot().DirtyWalkAwayEx, Slot().DirtyWalkUpEx, Slot().DirtyIdle})
            EXPECT_EQ(dirty, 1u);
        EXPECT_EQ(Slot().FwVersion, 0) << "the reader changes only the six blocks";
    }
}

struct ReadCase {
    const char* what;
    std::string content;
    FieldValues changed;  // fields expected to differ from AcceptedBlocks()
};

std::vector<ReadCase> ReadCases()
{
    const std::string longName(100, 'x');
    const char withNul[] =
        "LEDFlagsS = 5\0"
        "00\nPingRateS\0 = 500\n";
    return {
        {"a single value line", "PingRateS = 500\n", {{"PingRateS", 500}}},
        {"no line end at the end", "PingRateS = 500", {{"PingRateS", 500}}},
        {"lower-case name", "pingrates = 500\n", {{"PingRateS", 500}}},
        {"comma between name and value", "PingRateS,500\n", {{"PingRateS", 500}}},
        {"tab between name and value", "PingRateS\t500\n", {{"PingRateS", 500}}},
        {"separators before the name", "=,PingRateS==,\t500\n", {{"PingRateS", 500}}},
        {"CR LF line ends", "PingRateS = 500\r\nMaxDistS = 70\r\n", {{"PingRateS", 500}, {"MaxDistS", 70}}},
        {"trailing letters after the digits", "PingRateS = 500abc     / x\n", {{"PingRateS", 500}}},
        {"value of letters only", "PingRateS = abc\n", {}},
        {"name without value", "PingRateS\n", {}},
        {"comment line holding a valid line", "/PingRateS = 500\n", {}},
        {"colon line holding a valid line", ":PingRateS = 500\n", {}},
        {"indented comment line", " \t/ PingRateS = 500\n", {}},
        {"unknown name", "PingRate = 500\nPingRateSS = 500\n", {}},
        {"later line overrides", "PingRateS = 300\nPingRateS = 500\nPingRateS = 404\n", {{"PingRateS", 404}}},
        {"byte-order mark and control bytes before the name",
         "\xEF\xBB\xBF\x01\x1FPingRateS = 500\n",
         {{"PingRateS", 500}}},
        {"plus sign", "LEDFlagsS = +7\n", {{"LEDFlagsS", 7}}},
        {"negative number", "LEDFlagsS = -1\n", {}},
        {"minus zero", "LEDFlagsS = -0\n", {{"LEDFlagsS", 0}}},
        {"largest word", "LEDFlagsS = 65535\n", {{"LEDFlagsS", 65535}}},
        {"one above the largest word", "LEDFlagsS = 65536\n", {}},
        {"number beyond any integer", "LEDFlagsS = 1844674407370955161718446744073709551616\n", {}},
        {"many leading zeros", "LEDFlagsS = 0000000000000000000000000000000042\n", {{"LEDFlagsS", 42}}},
        {"name longer than any field", longName + "PingRateS = 500\n", {}},
        {"name longer than a piece", std::string(300, 'P') + " = 500\n", {}},
        {"line longer than 127 characters goes on as a new line",
         std::string(127, '#') + "PingRateS = 500\n",
         {{"PingRateS", 500}}},
        {"NUL byte ends the line's text", std::string(withNul, sizeof withNul - 1), {{"LEDFlagsS", 5}}},
        {"walk-up extension key count of 8 rejects only that set",
         "KeyCountWUEx = 8\nKey1CodeWUEx = 44\nPingRateS = 500\nKeyCountWU = 6\nKey7ModsWAEx = 9\nDMTOTmI = "
         "7\n",
         {{"PingRateS", 500}, {"KeyCountWU", 6}, {"Key7ModsWAEx", 9}, {"DMTOTmI", 7}}},
        {"walk-away key count of 7 rejects only that block",
         "KeyCountWA = 7\nKey1CodeWA = 4\nKeyCountWAEx = 7\n",
         {{"KeyCountWAEx", 7}}},
        {"ping rate out of range rejects the sonar block",
         "PingRateS = 1021\nLEDFlagsS = 3\nPressRateI = 5\n",
         {{"PressRateI", 5}}},
    };
}

// A case that changes no field has no value line of a known field: such a
// file is refused, and nothing in it is stored.
TEST_F(TemplateFileTest, ReadsValueLinesAndSkipsEverythingElse)
{
    for (const ReadCase& c : ReadCases()) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadFromAccepted(c.content, c.changed.empty() ? 0 : 1),
                  WithValues(AcceptedBlocks(), c.changed));
    }
}

// Binary bytes, a line far longer than the reader's buffer, and a value line
// that crosses from one buffer's worth of the file into the next.
TEST_F(TemplateFileTest, ReadsBinaryContentAndLinesAcrossItsBuffer)
{
    std::string content;
    while (content.size() + 16 < kTemplateReadBufferSize) content += "/ comment line\n";
    content.resize(kTemplateReadBufferSize - 7, '#');
    content += "\nPingRateS = 500\n";
    ASSERT_LT(content.find("PingRateS"), kTemplateReadBufferSize);
    ASSERT_GT(content.find("500"), kTemplateReadBufferSize);
    std::uint32_t seed = 12345;
    for (int i = 0; i < 40000; ++i) {
        seed = seed * 1103515245u + 12345u;
        content += static_cast<char>(seed >> 24);
    }
    content += std::string(3 * kTemplateReadBufferSize, 'A');  // a line without a line end
    content += "\nKey7ModsWUEx = 77\n";
    ASSERT_LE(content.size(), kMaxTemplateFileBytes);

    EXPECT_EQ(ReadFromAccepted(content),
              WithValues(AcceptedBlocks(), {{"PingRateS", 500}, {"Key7ModsWUEx", 77}}));
}

TEST_F(TemplateFileTest, ReadsAFileOfTheLargestSize)
{
    std::string content = "PingRateS = 500\n";
    content.resize(kMaxTemplateFileBytes - 16, ' ');
    content += "\nLEDFlagsS = 3\n";
    content.resize(kMaxTemplateFileBytes, '\n');

    EXPECT_EQ(ReadFromAccepted(content),
              WithValues(AcceptedBlocks(), {{"PingRateS", 500}, {"LEDFlagsS", 3}}));
}

TEST_F(TemplateFileTest, ReadsAndWritesTheCurrentSensorsRecord)
{
    LibState().Count = 2;
    PutBlocks(LibState().Slots[0], AcceptedBlocks());
    PutBlocks(LibState().Slots[1], WithValues(AcceptedBlocks(), {{"PingRateS", 700}}));
    ASSERT_EQ(SelectDev(1), 1);
    const fs::path path = folder / "second.txt";

    ASSERT_EQ(WriteDevCfgToFile(path.string()), 1);
    EXPECT_NE(ReadAll(path).find("\nPingRateS = 700     / "), std::string::npos);

    WriteAll(path, "PingRateS = 800\n");
    ASSERT_EQ(ReadDevCfgFmFile(path.string()), 1);
    EXPECT_EQ(LibState().Slots[1].Sonar[PingRateS], 800);
    EXPECT_EQ(BlocksOf(LibState().Slots[0]), AcceptedBlocks());
}

TEST_F(TemplateFileTest, SavingAndRestoringGivesBackEveryWord)
{
    const ConfigSet saved = WithValues(AcceptedBlocks(), {{"Key7ModsWUEx", 0xE7}, {"Key6ModsWUEx", 0x66}});
    PutBlocks(Slot(), saved);
    const fs::path path = folder / "round.txt";
    ASSERT_EQ(WriteDevCfgToFile(path.string()), 1);

    PutBlocks(Slot(), GoldenBlocks());
    ASSERT_EQ(ReadDevCfgFmFile(path.string()), 1);

    EXPECT_EQ(BlocksOf(Slot()), saved);
}

}  // namespace
