// Template files on a POSIX system: pipes, devices, links, permissions,
// owners and a full disk.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "TemplateFileFixture.h"
#include "UnprivilegedChild.h"

namespace {

using namespace template_file_test;

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
    ExpectReadsRefusedChangingNothing(refusals);
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
