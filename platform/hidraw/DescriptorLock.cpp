#include "DescriptorLock.h"

#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

namespace hidraw {

platform::LockResult tryLockDescriptor(int fd)
{
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result < 0 && errno == EINTR);
    if (result == 0) return platform::LockResult::Acquired;
    return errno == EWOULDBLOCK ? platform::LockResult::Held : platform::LockResult::Failed;
}

void unlockDescriptor(int fd)
{
    ::flock(fd, LOCK_UN);
}

void touchDescriptor(int fd)
{
    ::futimens(fd, nullptr);
}

std::uint64_t modificationStampOf(int fd)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0) return 0;
    return static_cast<std::uint64_t>(status.st_mtim.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(status.st_mtim.tv_nsec);
}

}  // namespace hidraw
