#include "config/TemplateFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "config/ConfigModel.h"
#include "config/TemplateFields.h"
#include "devlib/DevLib.h"
#include "platform/sim/SimPlatform.h"

namespace fs = std::filesystem;

namespace {

using FieldValues = std::vector<std::pair<std::string, std::uint16_t>>;

ConfigSet BlocksOf(const tsDevSlot& slot)
{
    return ConfigSet{slot.Sonar, slot.WalkAway, slot.WalkUp, slot.WalkAwayEx, slot.WalkUpEx, slot.Idle};
}

void PutBlocks(tsDevSlot& slot, const ConfigSet& blocks)
{
    slot.Sonar = blocks.Sonar;
    slot.WalkAway = blocks.WalkAway;
    slot.WalkUp = blocks.WalkUp;
    slot.WalkAwayEx = blocks.WalkAwayEx;
    slot.WalkUpEx = blocks.WalkUpEx;
    slot.Idle = blocks.Idle;
}

ConfigSet WithValues(ConfigSet blocks, const FieldValues& values)
{
    for (const auto& [name, value] : values) FieldWord(blocks, *FindTemplateField(name)) = value;
    return blocks;
}

// A configuration every Set operation accepts, with small distinct words.
ConfigSet AcceptedBlocks()
{
    ConfigSet blocks{};
    std::uint16_t next = 1;
    for (const TemplateField& field : TemplateFields()) FieldWord(blocks, field) = next++;
    return WithValues(blocks, {{"PingRateS", 300},
                               {"MinDistS", 20},
                               {"MaxDistS", 40},
                               {"KeyCountWA", 2},
                               {"InterKeyDelayWA", 128},
                               {"KeyCountWU", 3},
                               {"InterKeyDelayWU", 192},
                               {"KeyCountWAEx", 4},
                               {"KeyCountWUEx", 5}});
}

// The configuration of the golden file: every field distinct, the extremes
// 0 and 65535 included, every block accepted by the library.
ConfigSet GoldenBlocks()
{
    ConfigSet blocks{};
    std::uint16_t index = 0;
    for (const TemplateField& field : TemplateFields()) FieldWord(blocks, field) = 1000 + 37 * index++;
    return WithValues(blocks, {{"PingRateS", 500},
                               {"MinDistS", 14},
                               {"MaxDistS", 60},
                               {"KeyCountWA", 6},
                               {"InterKeyDelayWA", 16320},
                               {"KeyCountWAEx", 7},
                               {"KeyCountWU", 5},
                               {"InterKeyDelayWU", 64},
                               {"KeyCountWUEx", 3},
                               {"Reserved1I", 0},
                               {"Flags0WAEx", 65535}});
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

std::set<std::string> FilesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

class TemplateFileTest : public ::testing::Test {
protected:
    TemplateFileTest()
    {
        platform::install(&sim);
        ResetLibState();
        std::string pattern = fs::path(::testing::TempDir()) / "template-XXXXXX";
        folder = ::mkdtemp(pattern.data());
    }
    ~TemplateFileTest() override
    {
        CloseAllDevices();
        fs::remove_all(folder);
    }

    tsDevSlot& Slot() { return LibState().Slots[0]; }

    // Reads content as a template file into a slot holding AcceptedBlocks().
    ConfigSet ReadFromAccepted(const std::string& content)
    {
        PutBlocks(Slot(), AcceptedBlocks());
        const fs::path path = folder / "in.txt";
        WriteAll(path, content);
        EXPECT_EQ(ReadDevCfgFmFile(path), 1);
        return BlocksOf(Slot());
    }

    sim::SimPlatform sim;
    fs::path folder;
};

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

    ASSERT_EQ(WriteDevCfgToFile(path), 1);

    EXPECT_EQ(ReadAll(path), ReadAll(TOLVANE_GOLDEN_TEMPLATE));
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"saved.txt"});
}

TEST_F(TemplateFileTest, ReadingTheGoldenFileRestoresAllSixBlocksAndMarksThemChanged)
{
    for (const bool crLf : {false, true}) {
        SCOPED_TRACE(crLf ? "CR LF" : "LF");
        ResetLibState();
        const fs::path path = folder / "golden.txt";
        const std::string golden = ReadAll(TOLVANE_GOLDEN_TEMPLATE);
        WriteAll(path, crLf ? WithCrLf(golden) : golden);

        ASSERT_EQ(ReadDevCfgFmFile(path), 1);

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

TEST_F(TemplateFileTest, ReadsValueLinesAndSkipsEverythingElse)
{
    for (const ReadCase& c : ReadCases()) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadFromAccepted(c.content), WithValues(AcceptedBlocks(), c.changed));
    }
}

TEST_F(TemplateFileTest, ReadsFilesOfAnySizeAndBinaryContent)
{
    std::string content;
    std::uint32_t seed = 12345;
    for (int i = 0; i < (4 << 20); ++i) {
        seed = seed * 1103515245u + 12345u;
        content += static_cast<char>(seed >> 24);
    }
    content += std::string(1 << 20, 'A');  // one megabyte without a line end
    content += "\nKey7ModsWUEx = 77\n";

    EXPECT_EQ(ReadFromAccepted(content), WithValues(AcceptedBlocks(), {{"Key7ModsWUEx", 77}}));
}

TEST_F(TemplateFileTest, ReadFailsWithoutChangingAnythingWhenTheFileCannotBeRead)
{
    PutBlocks(Slot(), AcceptedBlocks());
    fs::create_directory(folder / "a-folder");

    for (const fs::path& path : {folder / "missing.txt", folder / "a-folder", fs::path()}) {
        SCOPED_TRACE(path.string());
        EXPECT_EQ(ReadDevCfgFmFile(path), 0);
        EXPECT_EQ(BlocksOf(Slot()), AcceptedBlocks());
        EXPECT_EQ(Slot().DirtySonar, 0u);
    }
}

TEST_F(TemplateFileTest, ReadsAndWritesTheCurrentSensorsRecord)
{
    LibState().Count = 2;
    PutBlocks(LibState().Slots[0], AcceptedBlocks());
    PutBlocks(LibState().Slots[1], WithValues(AcceptedBlocks(), {{"PingRateS", 700}}));
    ASSERT_EQ(SelectDev(1), 1);
    const fs::path path = folder / "second.txt";

    ASSERT_EQ(WriteDevCfgToFile(path), 1);
    EXPECT_NE(ReadAll(path).find("\nPingRateS = 700     / "), std::string::npos);

    WriteAll(path, "PingRateS = 800\n");
    ASSERT_EQ(ReadDevCfgFmFile(path), 1);
    EXPECT_EQ(LibState().Slots[1].Sonar[PingRateS], 800);
    EXPECT_EQ(BlocksOf(LibState().Slots[0]), AcceptedBlocks());
}

TEST_F(TemplateFileTest, SavingAndRestoringGivesBackEveryWord)
{
    const ConfigSet saved = WithValues(AcceptedBlocks(), {{"Key7ModsWUEx", 0xE7}, {"Key6ModsWUEx", 0x66}});
    PutBlocks(Slot(), saved);
    const fs::path path = folder / "round.txt";
    ASSERT_EQ(WriteDevCfgToFile(path), 1);

    PutBlocks(Slot(), GoldenBlocks());
    ASSERT_EQ(ReadDevCfgFmFile(path), 1);

    EXPECT_EQ(BlocksOf(Slot()), saved);
}

TEST_F(TemplateFileTest, ReplacingAFileKeepsItsModeAndAnyLinkToIt)
{
    PutBlocks(Slot(), GoldenBlocks());
    Slot().FwVersion = 0x1A23;
    const fs::path target = folder / "target.txt";
    const fs::path link = folder / "link.txt";
    WriteAll(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(target, link);

    ASSERT_EQ(WriteDevCfgToFile(link), 1);

    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(target), ReadAll(TOLVANE_GOLDEN_TEMPLATE));
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"target.txt", "link.txt"}));
}

TEST_F(TemplateFileTest, WriteFailsWhenThePathCannotBeWritten)
{
    fs::create_directory(folder / "a-folder");
    const std::string plainText = "a file, not a folder\n";
    WriteAll(folder / "plain.txt", plainText);
    const std::vector<fs::path> paths = {folder / "no-such-folder" / "saved.txt", folder / "a-folder",
                                         folder / "plain.txt" / "saved.txt", fs::path(), "/dev/full"};
    for (const fs::path& path : paths) {
        SCOPED_TRACE(path.string());
        EXPECT_EQ(WriteDevCfgToFile(path), 0);
    }
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"a-folder", "plain.txt"}));
    EXPECT_TRUE(fs::is_empty(folder / "a-folder"));
    EXPECT_EQ(ReadAll(folder / "plain.txt"), plainText);
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// Makes every write beyond limit bytes fail, as a full disk does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, savedHandler_);
    }

private:
    rlimit saved_{};
    void (*savedHandler_)(int);
};

TEST_F(TemplateFileTest, AFailedWriteLeavesTheOldFileUntouchedAndNoTemporaryFile)
{
    PutBlocks(Slot(), GoldenBlocks());
    const fs::path path = folder / "saved.txt";
    const std::string old = "/ the file the user already had\nPingRateS = 400\n";
    WriteAll(path, old);

    int result;
    {
        FileSizeLimit full(256);
        result = WriteDevCfgToFile(path);
    }

    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"saved.txt"});
}

}  // namespace
