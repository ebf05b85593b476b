#pragma once

// The entry points the device library binds from each run-time service, by
// the names the Windows modules export them under. The Windows backend looks
// exactly these up; the backends without such modules offer exactly these.

#include <span>
#include <string_view>

#include "platform/Platform.h"

namespace platform {

namespace entry {
inline constexpr std::string_view HidGetAttributes = "HidD_GetAttributes";
inline constexpr std::string_view HidGetFeature = "HidD_GetFeature";
inline constexpr std::string_view HidSetFeature = "HidD_SetFeature";
inline constexpr std::string_view HidGetHidGuid = "HidD_GetHidGuid";
inline constexpr std::string_view HidGetCaps = "HidP_GetCaps";
inline constexpr std::string_view SetupGetClassDevs = "SetupDiGetClassDevsA";
inline constexpr std::string_view SetupEnumDeviceInterfaces = "SetupDiEnumDeviceInterfaces";
inline constexpr std::string_view SetupGetDeviceInterfaceDetail = "SetupDiGetDeviceInterfaceDetailA";
inline constexpr std::string_view SetupDestroyDeviceInfoList = "SetupDiDestroyDeviceInfoList";
}  // namespace entry

// The service's entry points, in the order the library binds them.
std::span<const std::string_view> entryPointsOf(Service service);

// Whether the service has an entry point of exactly that name.
bool isEntryPointOf(Service service, std::string_view name);

}  // namespace platform
