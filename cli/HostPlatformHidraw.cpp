#include "HostPlatform.h"
#include "platform/hidraw/HidrawPlatform.h"

std::unique_ptr<platform::Platform> MakeHostPlatform()
{
    return std::make_unique<hidraw::HidrawPlatform>();
}
