// Reading and writing a user's text file with POSIX calls.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "config/TextFileAccess.h"
#include "config/TextFileRefusals.h"

namespace {

// ---- Reasons ---------------------------------------------------------------

using text_file::Refuse;
using text_file::TooLarge;

bool FailWithErrno(std::string& reason, const std::string& path, int error)
{
    return Refuse(reason, path, std::strerror(error));
}

std::string_view NotRegularFile(mode_t mode)
{
    if (S_ISDIR(mode)) return text_file::kFolder;
    if (S_ISFIFO(mode)) return text_file::kPipe;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return text_file::kDevice;
    if (S_ISSOCK(mode)) return text_file::kSocket;
    return text_file::kNotRegular;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// ---- Descriptors -------------------------------------------------------------

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now; false when closing reports an error (a late write failure).
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAllAt(int fd, std::string_view text, off_t offset)
{
    while (!text.empty()) {
        const ssize_t written = ::pwrite(fd, text.data(), text.size(), offset);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return true;
}

// ---- Writing -----------------------------------------------------------------

std::string FolderOf(const std::string& file)
{
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

// A symbolic link is followed to the file it names; a link that leads
// nowhere is refused rather than replaced by a file of its own.
bool ResolveTarget(const std::string& path, std::string& target, std::string& reason)
{
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0) {
        if (errno != ENOENT) return FailWithErrno(reason, path, errno);
        target = path;
        return true;
    }
    if (!S_ISLNK(named.st_mode)) {
        target = path;
        return true;
    }
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved) {
        if (errno == ENOENT)
            return Refuse(reason, path, "this symbolic link names a file that does not exist");
        if (errno == ELOOP) return Refuse(reason, path, "this symbolic link leads round in a loop");
        return FailWithErrno(reason, path, errno);
    }
    target = resolved.get();
    return true;
}

// Creates a new file beside target with no more permission than mode; -1
// (errno set) when the folder takes no new file.
int CreateFileBeside(const std::string& target, mode_t mode, std::string& created)
{
    static unsigned sequence = 0;
    const std::string stem = FolderOf(target) + "/.tolvane-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = stem + std::to_string(++sequence) + ".tmp";
        const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// The rename is only durable once the folder that holds the name is synced.
bool SyncFolder(const std::string& file, const std::string& path, std::string& reason)
{
    const Descriptor folder(::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) return FailWithErrno(reason, path, errno);
    // Some file systems cannot sync a folder; the rename is as safe as they make it.
    if (::fsync(folder.get()) != 0 && errno != EINVAL && errno != ENOTSUP)
        return FailWithErrno(reason, path, errno);
    return true;
}

// Fills the new file and renames it over target. On any failure the new file
// is removed and target is as it was.
bool FillAndRename(Descriptor& fresh, const std::string& freshPath, const std::string& target,
                   std::string_view text, const std::string& path, std::string& reason)
{
    const bool written = WriteAllAt(fresh.get(), text, 0) && ::fsync(fresh.get()) == 0;
    const int writeError = errno;
    const bool closed = fresh.close();
    const int closeError = errno;
    if (!written || !closed || std::rename(freshPath.c_str(), target.c_str()) != 0) {
        const int error = !written ? writeError : !closed ? closeError : errno;
        ::unlink(freshPath.c_str());
        return FailWithErrno(reason, path, error);
    }
    return SyncFolder(target, path, reason);
}

enum class Replaced { Done, Failed, NotPossible };

// Replaces the existing file target by a new one holding text, with the old
// one's owner and permissions. NotPossible when the folder takes no new file
// or the owner cannot be given to it; nothing has changed then.
Replaced ReplaceBeside(const std::string& target, const struct stat& existing, std::string_view text,
                       const std::string& path, std::string& reason)
{
    const mode_t permissions = existing.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO);
    std::string freshPath;
    Descriptor fresh(CreateFileBeside(target, permissions & S_IRWXU, freshPath));
    if (!fresh.valid()) return Replaced::NotPossible;
    if (::fchown(fresh.get(), existing.st_uid, existing.st_gid) != 0) {
        fresh.close();
        ::unlink(freshPath.c_str());
        return Replaced::NotPossible;
    }
    if (::fchmod(fresh.get(), permissions) != 0) {
        const int error = errno;
        fresh.close();
        ::unlink(freshPath.c_str());
        FailWithErrno(reason, path, error);
        return Replaced::Failed;
    }
    return FillAndRename(fresh, freshPath, target, text, path, reason) ? Replaced::Done : Replaced::Failed;
}

// Every name of the file sees the new text; a failure part way can leave the
// file changed, which is why this is the second choice.
bool WriteInPlace(Descriptor& file, std::string_view text, const std::string& path, std::string& reason)
{
    if (!WriteAllAt(file.get(), text, 0) || ::ftruncate(file.get(), static_cast<off_t>(text.size())) != 0 ||
        ::fsync(file.get()) != 0)
        return FailWithErrno(reason, path, errno);
    if (!file.close()) return FailWithErrno(reason, path, errno);
    return true;
}

bool WriteNewFile(const std::string& target, std::string_view text, const std::string& path,
                  std::string& reason)
{
    std::string freshPath;
    // The permissions a new file gets from the shell: 0666 less the umask.
    Descriptor fresh(
        CreateFileBeside(target, S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH, freshPath));
    if (!fresh.valid()) return FailWithErrno(reason, path, errno);
    return FillAndRename(fresh, freshPath, target, text, path, reason);
}

bool WriteExistingFile(const std::string& target, const struct stat& named, std::string_view text,
                       const std::string& path, std::string& reason)
{
    // Opening for writing asks the system whether the user may write the
    // file, as a shell redirection does; nothing is changed by it.
    Descriptor file(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.valid()) {
        if (errno == EACCES || errno == EPERM) return Refuse(reason, path, text_file::kReadOnly);
        return FailWithErrno(reason, path, errno);
    }
    struct stat existing {};
    if (::fstat(file.get(), &existing) != 0) return FailWithErrno(reason, path, errno);
    if (!S_ISREG(existing.st_mode) || !SameFile(existing, named))
        return Refuse(reason, path, NotRegularFile(existing.st_mode));
    if (existing.st_nlink == 1) {
        const Replaced replaced = ReplaceBeside(target, existing, text, path, reason);
        if (replaced != Replaced::NotPossible) return replaced == Replaced::Done;
    }
    return WriteInPlace(file, text, path, reason);
}

}  // namespace

// ---- Reading -----------------------------------------------------------------

TextFileReader::~TextFileReader()
{
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool TextFileReader::Open(const std::string& path, std::size_t maxBytes, std::string& reason)
{
    path_ = path;
    // What the path names is looked at before it is opened, so a device is
    // never opened; the open does not wait for a pipe's writer.
    struct stat named {};
    if (path.empty()) return Refuse(reason, path, {});
    if (::stat(path.c_str(), &named) != 0) return FailWithErrno(reason, path, errno);
    if (!S_ISREG(named.st_mode)) return Refuse(reason, path, NotRegularFile(named.st_mode));
    if (static_cast<std::uintmax_t>(named.st_size) > maxBytes)
        return Refuse(reason, path, TooLarge(maxBytes));

    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.valid()) return FailWithErrno(reason, path, errno);
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0) return FailWithErrno(reason, path, errno);
    if (!S_ISREG(opened.st_mode) || !SameFile(opened, named))
        return Refuse(reason, path, NotRegularFile(opened.st_mode));
    if (static_cast<std::uintmax_t>(opened.st_size) > maxBytes)
        return Refuse(reason, path, TooLarge(maxBytes));

    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = file.release();
    bytesLeft_ = maxBytes;
    maxBytes_ = maxBytes;
    return true;
}

long TextFileReader::Read(char* buffer, std::size_t size, std::string& reason)
{
    ssize_t got;
    do {
        got = ::read(static_cast<int>(handle_), buffer, size);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        FailWithErrno(reason, path_, errno);
        return -1;
    }
    // A file that grows while it is read is held to the same limit.
    if (static_cast<std::size_t>(got) > bytesLeft_) {
        Refuse(reason, path_, TooLarge(maxBytes_));
        return -1;
    }
    bytesLeft_ -= static_cast<std::size_t>(got);
    return static_cast<long>(got);
}

bool WriteTextFile(const std::string& path, std::string_view text, std::string& reason)
{
    if (path.empty()) return Refuse(reason, path, {});
    std::string target;
    if (!ResolveTarget(path, target, reason)) return false;
    struct stat named {};
    if (::stat(target.c_str(), &named) != 0) {
        if (errno != ENOENT) return FailWithErrno(reason, path, errno);
        return WriteNewFile(target, text, path, reason);
    }
    if (!S_ISREG(named.st_mode)) return Refuse(reason, path, NotRegularFile(named.st_mode));
    return WriteExistingFile(target, named, text, path, reason);
}
