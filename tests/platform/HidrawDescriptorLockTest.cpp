// The hidraw backend's lock and change notice work on any open file: separate
// opens exclude each other, across processes too, and a holder that is killed
// leaves the file free at once.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/hidraw/DescriptorLock.h"

namespace {

using platform::LockResult;

class DescriptorLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[] = "/tmp/tolvane-lock-XXXXXX";
        const int fd = ::mkstemp(name);
        ASSERT_GE(fd, 0);
        ::close(fd);
        path_ = name;
    }
    void TearDown() override
    {
        for (int fd : opened_) ::close(fd);
        ::unlink(path_.c_str());
    }

    int openNode()
    {
        const int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
        opened_.push_back(fd);
        return fd;
    }

    // A child process that opens the file, takes its lock, says so and sleeps.
    pid_t holderProcess()
    {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const int fd = ::open(path_.c_str(), O_RDWR);
            const char answer = hidraw::tryLockDescriptor(fd) == LockResult::Acquired ? 'y' : 'n';
            (void)!::write(ready[1], &answer, 1);
            ::pause();
            std::_Exit(0);
        }
        ::close(ready[1]);
        char answer = 0;
        EXPECT_EQ(::read(ready[0], &answer, 1), 1);
        ::close(ready[0]);
        EXPECT_EQ(answer, 'y');
        return child;
    }

    std::string path_;
    std::vector<int> opened_;
};

TEST_F(DescriptorLockTest, SeparateOpensExcludeEachOther)
{
    const int first = openNode();
    const int second = openNode();

    EXPECT_EQ(hidraw::tryLockDescriptor(first), LockResult::Acquired);
    EXPECT_EQ(hidraw::tryLockDescriptor(second), LockResult::Held);
    hidraw::unlockDescriptor(first);
    EXPECT_EQ(hidraw::tryLockDescriptor(second), LockResult::Acquired);
    EXPECT_EQ(hidraw::tryLockDescriptor(-1), LockResult::Failed);
}

TEST_F(DescriptorLockTest, AnotherProcessHoldsUntilItIsKilled)
{
    const int mine = openNode();
    const pid_t holder = holderProcess();

    EXPECT_EQ(hidraw::tryLockDescriptor(mine), LockResult::Held);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(hidraw::tryLockDescriptor(mine), LockResult::Acquired) << "free at once after the kill";
}

TEST_F(DescriptorLockTest, ATouchMovesTheChangeStampSeenByEveryOpen)
{
    const int writer = openNode();
    const int watcher = openNode();
    const timespec longAgo[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(::futimens(watcher, longAgo), 0);
    const std::uint64_t before = hidraw::modificationStampOf(watcher);
    EXPECT_EQ(before, 1000000000000u);

    hidraw::touchDescriptor(writer);

    EXPECT_GT(hidraw::modificationStampOf(watcher), before);
    EXPECT_EQ(hidraw::modificationStampOf(watcher), hidraw::modificationStampOf(writer));
    EXPECT_EQ(hidraw::modificationStampOf(-1), 0u);
}

}  // namespace
