// Two processes and one sensor's mutex under Windows (or Wine):
//   sensor_mutex_check hold PATH SECONDS  takes the mutex, says "held", keeps it
//   sensor_mutex_check wait PATH MS       tries every 50 ms for up to MS: exit 0
//                                         when taken, 4 when still in use
// The script that runs it kills the holder and waits again: a mutex whose
// holder died is taken at once.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/SensorMutex.h"

namespace {

constexpr DWORD kPollMs = 50;

int hold(const char* path, int seconds)
{
    win32::SensorMutex mutex(path);
    if (mutex.tryLock() != platform::LockResult::Acquired) {
        std::puts("not held");
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    return 0;
}

int wait(const char* path, DWORD limitMs)
{
    win32::SensorMutex mutex(path);
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const platform::LockResult result = mutex.tryLock();
        const ULONGLONG waited = GetTickCount64() - start;
        if (result == platform::LockResult::Acquired) {
            std::printf("taken after %llu ms\n", waited);
            return 0;
        }
        if (result == platform::LockResult::Failed) {
            std::puts("the mutex cannot be made");
            return 1;
        }
        if (waited >= limitMs) {
            std::printf("still in use after %llu ms\n", waited);
            return 4;
        }
        Sleep(kPollMs);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "hold") return hold(argv[2], std::atoi(argv[3]));
    if (argc == 4 && std::string(argv[1]) == "wait")
        return wait(argv[2], static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
    std::fputs("usage: sensor_mutex_check hold PATH SECONDS | wait PATH MS\n", stderr);
    return 2;
}
