#pragma once

// tolvanectl as a whole: the command line read, the backend chosen (the
// attached sensors, or virtual ones with --sim), the command run.

#include <functional>
#include <memory>

#include "platform/Platform.h"

namespace cli {

// The backend of the sensors attached to this machine.
using HostPlatformFactory = std::function<std::unique_ptr<platform::Platform>()>;

// The exit status of the run.
int RunTolvanectl(int argc, char** argv, const HostPlatformFactory& hostPlatform);

}  // namespace cli
