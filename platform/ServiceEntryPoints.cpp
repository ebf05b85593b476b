#include "platform/ServiceEntryPoints.h"

#include <algorithm>
#include <array>

namespace platform {

namespace {

constexpr std::array kHidEntryPoints{entry::HidGetAttributes, entry::HidGetFeature, entry::HidSetFeature,
                                     entry::HidGetHidGuid, entry::HidGetCaps};
constexpr std::array kSetupEntryPoints{entry::SetupGetClassDevs, entry::SetupEnumDeviceInterfaces,
                                       entry::SetupGetDeviceInterfaceDetail,
                                       entry::SetupDestroyDeviceInfoList};

}  // namespace

std::span<const std::string_view> entryPointsOf(Service service)
{
    if (service == Service::Hid) return kHidEntryPoints;
    return kSetupEntryPoints;
}

bool isEntryPointOf(Service service, std::string_view name)
{
    return std::ranges::find(entryPointsOf(service), name) != entryPointsOf(service).end();
}

}  // namespace platform
