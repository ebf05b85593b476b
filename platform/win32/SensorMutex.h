#pragma once

// One operation at a time on a sensor, across programs and users: a named
// mutex per sensor in the global namespace, open to every user. The system
// hands a mutex whose holder ended to the next taker at once.

#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace win32 {

// "Global\tolvane-sensor-" and the device path in lower case, its backslashes
// made '#' (a mutex name may hold no backslash after the namespace).
std::string sensorMutexName(std::string_view devicePath);

#ifdef _WIN32
class SensorMutex {
public:
    explicit SensorMutex(std::string_view devicePath);
    ~SensorMutex();
    SensorMutex(const SensorMutex&) = delete;
    SensorMutex& operator=(const SensorMutex&) = delete;

    platform::LockResult tryLock();
    void unlock();

private:
    void* mutex_ = nullptr;  // the HANDLE, null when it could not be made
    bool held_ = false;
};
#endif

}  // namespace win32
