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

#include "UnprivilegedChild.h"
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
    ConfigSet ReadFromAccepted(const std::string& content, int expectedResult = 1)
    {
        PutBlocks(Slot(), AcceptedBlocks());
        const fs::path path = folder / "in.txt";
        WriteAll(path, content);
        EXPECT_EQ(ReadDevCfgFmFile(path), expectedResult);
        return BlocksOf(Slot());
    }

    // The result of writing the current record to path or reading it from
    // there, and the reason given.
    static std::string WriteOutcome(const fs::path& path)
    {
        std::string reason;
        const int result = WriteDevCfgToFile(path, &reason);
        return std::to_string(result) + " " + reason;
    }
    static std::string ReadOutcome(const fs::path& path)
    {
        std::string reason;
        const int result = ReadDevCfgFmFile(path, &reason);
        return std::to_string(result) + " " + reason;
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

struct Refusal {
    fs::path Path;
    std::string Reason;  // after "<path>: "
};

// Pipes, devices, folders and files too large to be a template are refused
// before a byte is read, so none of them can keep the reader waiting; so is a
// file in which no line is a value of a known field. The message names the
// path and the reason, and nothing is stored.
TEST_F(TemplateFileTest, ReadRefusesWhatIsNoTemplateFileAtOnceChangingNothing)
{
    fs::create_directory(folder / "a-folder");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    WriteAll(folder / "one-byte-too-long.txt",
             "PingRateS = 500\n" + std::string(kMaxTemplateFileBytes - 15, ' '));
    WriteAll(folder / "huge.txt", "PingRateS = 500\n");
    fs::resize_file(folder / "huge.txt", std::uintmax_t{2} << 30);  // sparse: no disk is used
    const char photo[] = "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00PingRate = 500\n/ PingRateS = 500\n";
    WriteAll(folder / "photo.jpg", std::string(photo, sizeof photo - 1));
    WriteAll(folder / "empty.txt", "");
    fs::create_symlink(folder / "pipe", folder / "link-to-pipe");
    const std::string tooLarge =
        "the file is larger than a configuration template can be (more than 65536 bytes)";
    const std::string noValues = "no line of this file is a configuration template value";
    const std::vector<Refusal> refusals = {
        {folder / "missing.txt", "No such file or directory"},
        {folder / "a-folder", "this is a folder, not a file"},
        {folder / "pipe", "this is a pipe, not a regular file"},
        {folder / "link-to-pipe", "this is a pipe, not a regular file"},
        {"/dev/zero", "this is a device, not a regular file"},
        {folder / "one-byte-too-long.txt", tooLarge},
        {folder / "huge.txt", tooLarge},
        {folder / "photo.jpg", noValues},
        {folder / "empty.txt", noValues},
    };
    PutBlocks(Slot(), AcceptedBlocks());

    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.Path.string());
        EXPECT_EQ(ReadOutcome(refusal.Path), "0 " + refusal.Path.string() + ": " + refusal.Reason);
        EXPECT_EQ(BlocksOf(Slot()), AcceptedBlocks());
        EXPECT_EQ(Slot().DirtySonar, 0u);
    }
    EXPECT_EQ(ReadOutcome(""), "0 no file name was given");
}

TEST_F(TemplateFileTest, ReadRefusesAFileTheUserMayNotRead)
{
    fs::permissions(folder, fs::perms::all);
    const fs::path path = folder / "private.txt";
    WriteAll(path, "PingRateS = 500\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);

    EXPECT_EQ(AsUnprivilegedUser([&] { return ReadOutcome(path); }),
              "0 " + path.string() + ": Permission denied");
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

// Only a regular file is written, or a new one made: a pipe or a device would
// keep the writer waiting or take the text away, and is refused at once.
TEST_F(TemplateFileTest, WriteRefusesWhatCannotBeATemplateFileChangingNothing)
{
    fs::create_directory(folder / "a-folder");
    const std::string plainText = "a file, not a folder\n";
    WriteAll(folder / "plain.txt", plainText);
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    fs::create_symlink(folder / "pipe", folder / "link-to-pipe");
    fs::create_symlink(folder / "nothing.txt", folder / "dangling");
    fs::create_symlink(folder / "loop-b", folder / "loop-a");
    fs::create_symlink(folder / "loop-a", folder / "loop-b");
    const std::vector<Refusal> refusals = {
        {folder / "no-such-folder" / "saved.txt", "No such file or directory"},
        {folder / "a-folder", "this is a folder, not a file"},
        {folder / "plain.txt" / "saved.txt", "Not a directory"},
        {folder / "pipe", "this is a pipe, not a regular file"},
        {folder / "link-to-pipe", "this is a pipe, not a regular file"},
        {"/dev/full", "this is a device, not a regular file"},
        {folder / "dangling", "this symbolic link names a file that does not exist"},
        {folder / "loop-a", "this symbolic link leads round in a loop"},
    };
    const std::set<std::string> files = FilesIn(folder);

    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.Path.string());
        EXPECT_EQ(WriteOutcome(refusal.Path), "0 " + refusal.Path.string() + ": " + refusal.Reason);
    }
    EXPECT_EQ(WriteOutcome(""), "0 no file name was given");

    EXPECT_EQ(FilesIn(folder), files);
    EXPECT_TRUE(fs::is_empty(folder / "a-folder"));
    EXPECT_EQ(ReadAll(folder / "plain.txt"), plainText);
    EXPECT_TRUE(fs::is_fifo(folder / "pipe"));
    for (const char* link : {"link-to-pipe", "dangling", "loop-a", "loop-b"})
        EXPECT_TRUE(fs::is_symlink(folder / link));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// ---- Permissions and ownership, as the user who runs the program ----------

// A fixture folder that the unprivileged user may use: files are theirs
// unless a test gives them to root.
class TemplateFilePermissionTest : public TemplateFileTest {
protected:
    TemplateFilePermissionTest()
    {
        PutBlocks(Slot(), GoldenBlocks());
        Slot().FwVersion = 0x1A23;
        fs::permissions(folder, fs::perms::all);
    }

    fs::path OwnFile(const std::string& name, const std::string& content, fs::perms permissions) const
    {
        const fs::path path = folder / name;
        WriteAll(path, content);
        fs::permissions(path, permissions);
        GiveToUnprivilegedUser(path);
        return path;
    }
    static void GiveToUnprivilegedUser(const fs::path& path)
    {
        if (::geteuid() == 0) {
            EXPECT_EQ(::chown(path.c_str(), kUnprivilegedId, kUnprivilegedId), 0);
        }
    }
    static struct stat StatOf(const fs::path& path)
    {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return info;
    }

    const std::string golden = ReadAll(TOLVANE_GOLDEN_TEMPLATE);
};

// As a shell redirection: a file its owner made read-only is not replaced.
TEST_F(TemplateFilePermissionTest, AReadOnlyFileIsRefused)
{
    const fs::path path = OwnFile("read-only.txt", "old",
                                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    EXPECT_EQ(AsUnprivilegedUser([&] { return WriteOutcome(path); }),
              "0 " + path.string() + ": the file is read-only");

    EXPECT_EQ(ReadAll(path), "old");
    EXPECT_EQ(fs::status(path).permissions(),
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"read-only.txt"});
}

// A folder that takes no new file: the writable file in it is written in place.
TEST_F(TemplateFilePermissionTest, AFileInAFolderThatTakesNoNewFileIsWrittenInPlace)
{
    const fs::path path =
        OwnFile("saved.txt", std::string(10000, 'x'), fs::perms::owner_read | fs::perms::owner_write);
    const ino_t inode = StatOf(path).st_ino;
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);

    EXPECT_EQ(AsUnprivilegedUser([&] { return WriteOutcome(path); }), "1 ");

    EXPECT_EQ(ReadAll(path), golden);
    EXPECT_EQ(StatOf(path).st_ino, inode);
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"saved.txt"});
}

// The same folder without a writable file: nothing is made, and the user is told why.
TEST_F(TemplateFilePermissionTest, ANewFileInAFolderThatTakesNoNewFileIsRefused)
{
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    const fs::path path = folder / "new.txt";

    EXPECT_EQ(AsUnprivilegedUser([&] { return WriteOutcome(path); }),
              "0 " + path.string() + ": Permission denied");
    EXPECT_TRUE(fs::is_empty(folder));
}

// Every name of a file with several names sees the new text.
TEST_F(TemplateFilePermissionTest, AFileWithSeveralNamesIsWrittenInPlace)
{
    const fs::path path = OwnFile("saved.txt", "old", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_hard_link(path, folder / "other-name.txt");

    EXPECT_EQ(AsUnprivilegedUser([&] { return WriteOutcome(path); }), "1 ");

    EXPECT_EQ(ReadAll(path), golden);
    EXPECT_EQ(ReadAll(folder / "other-name.txt"), golden);
    EXPECT_EQ(fs::hard_link_count(path), 2u);
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"saved.txt", "other-name.txt"}));
}

// The file replaced keeps its owner, group and permissions.
TEST_F(TemplateFilePermissionTest, AReplacedFileKeepsItsOwnerAndPermissions)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a file to another user needs root";
    }
    const fs::path path =
        OwnFile("saved.txt", "old", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const ino_t inode = StatOf(path).st_ino;

    EXPECT_EQ(WriteOutcome(path), "1 ");

    const struct stat after = StatOf(path);
    EXPECT_EQ(ReadAll(path), golden);
    EXPECT_NE(after.st_ino, inode) << "a lone file is replaced, not overwritten";
    EXPECT_EQ(after.st_uid, kUnprivilegedId);
    EXPECT_EQ(after.st_gid, kUnprivilegedId);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"saved.txt"});
}

TEST_F(TemplateFilePermissionTest, SetUserAndSetGroupIdBitsAreNotCopied)
{
    const fs::path path = folder / "saved.txt";
    WriteAll(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 06755), 0);

    EXPECT_EQ(WriteOutcome(path), "1 ");

    EXPECT_EQ(StatOf(path).st_mode & 07777, 0755u);
    EXPECT_EQ(ReadAll(path), golden);
}

// A file of another user that the user may write, in a folder the user may
// write: a replacement would change its owner, so it is written in place.
TEST_F(TemplateFilePermissionTest, AFileTheUserCannotGiveItsOwnerIsWrittenInPlace)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a file of another user needs root to make";
    }
    const fs::path path = folder / "shared.txt";
    WriteAll(path, "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    const ino_t inode = StatOf(path).st_ino;

    EXPECT_EQ(AsUnprivilegedUser([&] { return WriteOutcome(path); }), "1 ");

    EXPECT_EQ(ReadAll(path), golden);
    EXPECT_EQ(StatOf(path).st_ino, inode);
    EXPECT_EQ(StatOf(path).st_uid, 0u);
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"shared.txt"});
}

// A new file gets what the shell gives one: read and write for all, less the umask.
TEST_F(TemplateFilePermissionTest, ANewFileTakesThePermissionsTheUmaskLeaves)
{
    const fs::path path = folder / "new.txt";
    const mode_t saved = ::umask(027);
    const std::string outcome = WriteOutcome(path);
    ::umask(saved);

    EXPECT_EQ(outcome, "1 ");
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
    EXPECT_EQ(ReadAll(path), golden);
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
