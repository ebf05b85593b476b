// Feeds arbitrary bytes to the template file reader as a file's content,
// also more bytes than the reader's buffer holds and than a template file may
// have. The reader must read any file without touching memory outside its
// buffers, refuse every file longer than a template file may be, and change
// nothing when it refuses a file.

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/TemplateFile.h"
#include "devlib/DevLib.h"

namespace {

// One scratch file per fuzzing process, removed when it ends.
class ScratchFile {
public:
    ScratchFile()
    {
        const char* folder = std::getenv("TMPDIR");
        path_ = std::string(folder && *folder ? folder : "/tmp") + "/tolvane-fuzz-XXXXXX";
        fd_ = ::mkstemp(path_.data());
        if (fd_ < 0) std::abort();
    }
    ~ScratchFile()
    {
        ::close(fd_);
        ::unlink(path_.c_str());
    }

    void Fill(const std::uint8_t* data, std::size_t size)
    {
        if (::ftruncate(fd_, 0) != 0) std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t written = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (written <= 0) std::abort();
            done += static_cast<std::size_t>(written);
        }
    }

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

bool SameBlocks(const tsDevSlot& a, const tsDevSlot& b)
{
    return a.Sonar == b.Sonar && a.WalkAway == b.WalkAway && a.WalkUp == b.WalkUp &&
           a.WalkAwayEx == b.WalkAwayEx && a.WalkUpEx == b.WalkUpEx && a.Idle == b.Idle &&
           a.DirtySonar == b.DirtySonar && a.DirtyWalkAway == b.DirtyWalkAway &&
           a.DirtyWalkUp == b.DirtyWalkUp && a.DirtyWalkAwayEx == b.DirtyWalkAwayEx &&
           a.DirtyWalkUpEx == b.DirtyWalkUpEx && a.DirtyIdle == b.DirtyIdle;
}

void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static ScratchFile file;
    file.Fill(data, size);
    ResetLibState();
    const tsDevSlot before = LibState().Slots[0];
    std::string failure;
    const int result = ReadDevCfgFmFile(file.Path(), &failure);
    if (result != 0 && result != 1) Fail("the reader gave a result other than 0 or 1");
    if (size > kMaxTemplateFileBytes && result != 0) Fail("a file longer than a template may be was read");
    if (result == 0 && failure.find(file.Path()) != 0) Fail("a refusal does not name the file");
    if (result == 0 && !SameBlocks(before, LibState().Slots[0])) Fail("a refused file changed the record");
    return 0;
}
