#pragma once

// Enumeration of the present keyboard-class device interfaces through the
// device-setup service's entry points, as the backend found them.

#include <windows.h>
// The setup declarations need the Windows types above.
#include <setupapi.h>

#include <optional>
#include <string>
#include <vector>

namespace win32 {

struct SetupEntryPoints {
    decltype(&::SetupDiGetClassDevsA) GetClassDevs = nullptr;
    decltype(&::SetupDiEnumDeviceInterfaces) EnumDeviceInterfaces = nullptr;
    decltype(&::SetupDiGetDeviceInterfaceDetailA) GetDeviceInterfaceDetail = nullptr;
    decltype(&::SetupDiDestroyDeviceInfoList) DestroyDeviceInfoList = nullptr;
};

// The paths of the present keyboard interfaces in enumeration order, in the
// project's path form; interfaces that are not USB HID ones are left out.
// nullopt when an entry point is missing or the set of present interfaces
// cannot be obtained.
std::optional<std::vector<std::string>> presentKeyboardInterfaces(const SetupEntryPoints& setup);

}  // namespace win32
