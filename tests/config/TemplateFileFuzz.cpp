// Feeds arbitrary bytes to the template file reader as a file's content. The
// reader must read any file without touching memory outside its buffers and
// report success for every file it could open.

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static ScratchFile file;
    file.Fill(data, size);
    ResetLibState();
    if (ReadDevCfgFmFile(file.Path()) != 1) {
        std::fprintf(stderr, "a readable file was reported as unreadable\n");
        std::abort();
    }
    return 0;
}
