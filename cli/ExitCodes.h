#pragma once

// tolvanectl's exit status, as the manual page documents it.

namespace cli {

enum ExitCode : int {
    kSuccess = 0,
    kDeviceOrFileFailure = 1,
    kUsageError = 2,
    kNoSensor = 3,
    kSensorInUse = 4,  // another program kept the sensor past --wait
    kChanged = 5,      // apply: written, or under --check to be written
};

}  // namespace cli
