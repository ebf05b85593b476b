#include "HostPlatform.h"
#include "platform/win32/Win32Platform.h"

std::unique_ptr<platform::Platform> MakeHostPlatform()
{
    return std::make_unique<win32::Win32Platform>();
}
