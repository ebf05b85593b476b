#include "SensorMutex.h"

#include <algorithm>
#include <cctype>

namespace win32 {

std::string sensorMutexName(std::string_view devicePath)
{
    std::string name = "Global\\tolvane-sensor-";
    for (const char c : devicePath)
        name += c == '\\' ? '#' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

}  // namespace win32
