#pragma once

// The backend of the sensors attached to this machine, one per platform.

#include <memory>

#include "platform/Platform.h"

std::unique_ptr<platform::Platform> MakeHostPlatform();
