#include "SensorMutex.h"

#include <windows.h>

#include "platform/win32/OpenSecurity.h"

namespace win32 {

// Every user may open the mutex, so programs of different users wait for each other.
SensorMutex::SensorMutex(std::string_view devicePath)
{
    SECURITY_DESCRIPTOR descriptor{};
    if (!makeOpenSecurity(descriptor)) return;
    SECURITY_ATTRIBUTES security{sizeof security, &descriptor, FALSE};
    mutex_ = CreateMutexA(&security, FALSE, sensorMutexName(devicePath).c_str());
}

SensorMutex::~SensorMutex()
{
    unlock();
    if (mutex_) CloseHandle(static_cast<HANDLE>(mutex_));
}

platform::LockResult SensorMutex::tryLock()
{
    if (!mutex_) return platform::LockResult::Failed;
    switch (WaitForSingleObject(static_cast<HANDLE>(mutex_), 0)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:  // its holder ended without releasing it
            held_ = true;
            return platform::LockResult::Acquired;
        case WAIT_TIMEOUT:
            return platform::LockResult::Held;
        default:
            return platform::LockResult::Failed;
    }
}

void SensorMutex::unlock()
{
    if (!held_) return;
    ReleaseMutex(static_cast<HANDLE>(mutex_));
    held_ = false;
}

}  // namespace win32
