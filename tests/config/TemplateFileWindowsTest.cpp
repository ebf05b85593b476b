// Template files on Windows: folders, devices, pipes, read-only files and a
// replacement that cannot happen.

#include <gtest/gtest.h>
#include <windows.h>

#include "TemplateFileFixture.h"

namespace {

using namespace template_file_test;

// The reason after "<path>: " of an outcome, or the whole outcome when it has none.
std::string ReasonOf(const std::string& outcome, const fs::path& path)
{
    const std::string prefix = "0 " + path.string() + ": ";
    return outcome.starts_with(prefix) ? outcome.substr(prefix.size()) : outcome;
}

class TemplateFileWindowsTest : public TemplateFileTest {
protected:
    TemplateFileWindowsTest()
    {
        PutBlocks(Slot(), GoldenBlocks());
        Slot().FwVersion = 0x1A23;
    }

    ~TemplateFileWindowsTest() override
    {
        // Read-only files could not be removed with the folder.
        for (const auto& entry : fs::directory_iterator(folder))
            SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    const std::string golden = ReadAll(TOLVANE_GOLDEN_TEMPLATE);
};

// A pipe that is listening, so that opening it would connect.
class ListeningPipe {
public:
    ListeningPipe()
        : name_("\\\\.\\pipe\\tolvane-test-" + std::to_string(GetCurrentProcessId())),
          pipe_(CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 0, 0, 0,
                                 nullptr))
    {
    }
    ~ListeningPipe() { CloseHandle(pipe_); }
    const std::string& name() const { return name_; }
    bool listening() const { return pipe_ != INVALID_HANDLE_VALUE; }
    // Whether a client has connected; the pipe does not wait for one.
    bool connected() const
    {
        return !ConnectNamedPipe(pipe_, nullptr) && GetLastError() == ERROR_PIPE_CONNECTED;
    }

private:
    std::string name_;
    HANDLE pipe_;
};

TEST_F(TemplateFileWindowsTest, ReadRefusesWhatIsNoTemplateFileAtOnceChangingNothing)
{
    ListeningPipe pipe;
    ASSERT_TRUE(pipe.listening());
    fs::create_directory(folder / "a-folder");
    WriteAll(folder / "one-byte-too-long.txt",
             "PingRateS = 500\n" + std::string(kMaxTemplateFileBytes - 15, ' '));
    WriteAll(folder / "empty.txt", "");
    const std::vector<Refusal> refusals = {
        {folder / "a-folder", "this is a folder, not a file"},
        {"NUL", "this is a device, not a regular file"},
        {"\\\\.\\NUL", "this is a device, not a regular file"},
        {pipe.name(), "this is a pipe, not a regular file"},
        {"//./pipe/" + pipe.name().substr(9), "this is a pipe, not a regular file"},
        {folder / "one-byte-too-long.txt",
         "the file is larger than a configuration template can be (more than 65536 bytes)"},
        {folder / "empty.txt", "no line of this file is a configuration template value"},
    };
    ExpectReadsRefusedChangingNothing(refusals);
    EXPECT_FALSE(pipe.connected());
    // A missing file is told in the system's words.
    const std::string missing = ReasonOf(ReadOutcome(folder / "missing.txt"), folder / "missing.txt");
    EXPECT_FALSE(missing.empty());
    EXPECT_FALSE(missing.starts_with("0 ")) << missing;
}

TEST_F(TemplateFileWindowsTest, WriteRefusesWhatCannotBeATemplateFileChangingNothing)
{
    ListeningPipe pipe;
    ASSERT_TRUE(pipe.listening());
    fs::create_directory(folder / "a-folder");
    const fs::path readOnly = folder / "read-only.txt";
    WriteAll(readOnly, "old");
    ASSERT_TRUE(SetFileAttributesA(readOnly.string().c_str(), FILE_ATTRIBUTE_READONLY));
    const std::vector<Refusal> refusals = {
        {folder / "a-folder", "this is a folder, not a file"},
        {readOnly, "the file is read-only"},
        {"NUL", "this is a device, not a regular file"},
        {pipe.name(), "this is a pipe, not a regular file"},
    };
    const std::set<std::string> files = FilesIn(folder);

    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.Path.string());
        EXPECT_EQ(WriteOutcome(refusal.Path), "0 " + refusal.Path.string() + ": " + refusal.Reason);
    }
    EXPECT_EQ(WriteOutcome(""), "0 no file name was given");
    const fs::path inMissingFolder = folder / "no-such-folder" / "saved.txt";
    const std::string missing = ReasonOf(WriteOutcome(inMissingFolder), inMissingFolder);
    EXPECT_FALSE(missing.empty());
    EXPECT_FALSE(missing.starts_with("0 ") || missing.starts_with("1 ")) << missing;

    EXPECT_FALSE(pipe.connected());
    EXPECT_EQ(FilesIn(folder), files);
    EXPECT_TRUE(fs::is_empty(folder / "a-folder"));
    EXPECT_EQ(ReadAll(readOnly), "old");
}

TEST_F(TemplateFileWindowsTest, AFileIsReplacedWholeAndNoTemporaryFileStays)
{
    const fs::path path = folder / "saved.txt";
    WriteAll(path, std::string(100000, 'x'));

    EXPECT_EQ(WriteOutcome(path), "1 ");
    EXPECT_EQ(ReadAll(path), golden);
    EXPECT_EQ(WriteOutcome(folder / "new.txt"), "1 ");
    EXPECT_EQ(ReadAll(folder / "new.txt"), golden);
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"saved.txt", "new.txt"}));
}

// Another program holds the file open and does not let it be replaced: the
// old text stays whole and the new one is not left beside it.
TEST_F(TemplateFileWindowsTest, AReplacementThatCannotHappenLeavesTheOldFileWhole)
{
    const fs::path path = folder / "saved.txt";
    const std::string old = "/ the file the user already had\nPingRateS = 400\n";
    WriteAll(path, old);
    HANDLE holder = CreateFileA(path.string().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    const std::string outcome = WriteOutcome(path);
    CloseHandle(holder);

    EXPECT_TRUE(outcome.starts_with("0 " + path.string() + ": ")) << outcome;
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"saved.txt"});
}

}  // namespace
