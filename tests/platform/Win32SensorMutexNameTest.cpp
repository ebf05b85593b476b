// The name of a sensor's mutex: global, one per device path whatever the
// letter case Windows reports it in, and no backslash after the namespace.

#include <gtest/gtest.h>

#include "platform/win32/SensorMutex.h"

namespace {

TEST(Win32SensorMutexName, OnePerDevicePathInTheGlobalNamespace)
{
    const std::string name = win32::sensorMutexName(R"(\\?\HID#Vid_fff0&Pid_0001#7&1A2b&0&0000#{884b96c3})");

    EXPECT_EQ(name, R"(Global\tolvane-sensor-##?#hid#vid_fff0&pid_0001#7&1a2b&0&0000#{884b96c3})");
    EXPECT_EQ(win32::sensorMutexName(R"(\\?\hid#VID_FFF0&PID_0001#7&1a2B&0&0000#{884B96C3})"), name);
    EXPECT_NE(win32::sensorMutexName(R"(\\?\HID#Vid_fff0&Pid_0001#7&1A2b&0&0001#{884b96c3})"), name);
    EXPECT_EQ(name.find('\\', 7), std::string::npos);
}

}  // namespace
