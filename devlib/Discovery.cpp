// Run-time binding of the HID and device-setup services, discovery of the
// sensors among the present keyboards, and their arrival and removal.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "DevLibInternal.h"
#include "platform/DevicePath.h"
#include "platform/SensorIds.h"
#include "platform/ServiceEntryPoints.h"

namespace {

using platform::Service;
namespace entry = platform::entry;

// The keyboard device-interface class {884B96C3-56EF-11D1-BC8C-00A0C91405DD}
// in GUID memory layout (the first three fields little-endian).
constexpr std::uint8_t kKeyboardInterfaceClass[16] = {0xC3, 0x96, 0x4B, 0x88, 0xEF, 0x56, 0xD1, 0x11,
                                                      0xBC, 0x8C, 0x00, 0xA0, 0xC9, 0x14, 0x05, 0xDD};

// Discovery looks at no more interfaces than this.
constexpr std::size_t kMaxEnumeratedInterfaces = 256;

// Notifications are taken only for paths that fit a slot's DevicePath.
bool fitsDevicePath(const char* path)
{
    return path && strnlen(path, kDevicePathSize) < static_cast<std::size_t>(kDevicePathSize);
}

bool equalIgnoringCase(const char* a, const char* b, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
    return true;
}

// Whether the first 25 characters of the path, its vendor and product, name the sensor.
bool hasSensorPrefix(const char* path)
{
    const auto head = platform::readDevicePathHead(path);
    return head && isSensorVendorAndProduct(head->VendorId, head->ProductId);
}

struct EntryPoint {
    std::string_view Name;
    bool* Found;
};

// Looks the entry points up in order and stops at the first one missing.
bool lookUpEntryPoints(Service service, std::initializer_list<EntryPoint> entryPoints)
{
    for (const EntryPoint& entryPoint : entryPoints) {
        *entryPoint.Found = platform::current().hasEntryPoint(service, entryPoint.Name);
        if (!*entryPoint.Found) return false;
    }
    return true;
}

void clearSetupBinding()
{
    LibState().Setup = tsSetupBinding{};
}

// Threads of a run across the sensors may each look for their sensor at
// once; the setup service is bound, asked and unbound by one at a time.
std::mutex g_keyboardListMutex;

// The present keyboards' paths, the setup service bound for the asking only.
std::optional<std::vector<std::string>> listPresentKeyboards()
{
    const std::lock_guard lock(g_keyboardListMutex);
    if (!BindSetupLib()) return std::nullopt;
    auto paths = platform::current().presentKeyboardPaths();
    platform::current().unloadService(Service::Setup);
    clearSetupBinding();
    return paths;
}

void unbindBothServices()
{
    platform::current().unloadService(Service::Setup);
    clearSetupBinding();
    platform::current().unloadService(Service::Hid);
    LibState().Hid = tsHidBinding{};
}

}  // namespace

int BindHidLib()
{
    tsLibState& state = LibState();
    if (state.Hid.Module) return 1;
    ResetLibState();
    platform::Platform& os = platform::current();
    if (!os.loadService(Service::Hid)) return 0;

    tsHidBinding binding{};
    binding.Module = true;
    const bool complete = lookUpEntryPoints(Service::Hid, {{entry::HidGetAttributes, &binding.GetAttributes},
                                                           {entry::HidGetFeature, &binding.GetFeature},
                                                           {entry::HidSetFeature, &binding.SetFeature},
                                                           {entry::HidGetHidGuid, &binding.GetHidGuid},
                                                           {entry::HidGetCaps, &binding.GetCaps}});
    if (!complete) {
        os.unloadService(Service::Hid);
        ResetLibState();
        return 0;
    }
    state.Hid = binding;
    std::memcpy(state.InterfaceClass, kKeyboardInterfaceClass, sizeof state.InterfaceClass);
    return 1;
}

int BindSetupLib()
{
    tsLibState& state = LibState();
    if (state.Setup.Module) return 1;
    platform::Platform& os = platform::current();
    if (!os.loadService(Service::Setup)) return 0;

    tsSetupBinding binding{};
    binding.Module = true;
    const bool complete = lookUpEntryPoints(
        Service::Setup, {{entry::SetupGetClassDevs, &binding.GetClassDevs},
                         {entry::SetupEnumDeviceInterfaces, &binding.EnumDeviceInterfaces},
                         {entry::SetupGetDeviceInterfaceDetail, &binding.GetDeviceInterfaceDetail},
                         {entry::SetupDestroyDeviceInfoList, &binding.DestroyDeviceInfoList}});
    if (!complete) {
        os.unloadService(Service::Setup);
        clearSetupBinding();
        return 0;
    }
    state.Setup = binding;
    return 1;
}

platform::Handle OpenSensorPath(const char* path, tsDevSlot* slot)
{
    if (!path || !slot) return platform::kInvalidHandle;
    if (!BindHidLib()) return platform::kInvalidHandle;
    platform::Platform& os = platform::current();
    const platform::Handle handle = os.open(path);
    if (handle == platform::kInvalidHandle) return platform::kInvalidHandle;

    const platform::HidAttributes attributes = os.attributes(handle);
    if (!isSensorVendorAndProduct(attributes.VendorID, attributes.ProductID)) {
        os.close(handle);
        return platform::kInvalidHandle;
    }
    slot->FwVersion = attributes.VersionNumber;
    slot->Handle = handle;
    const std::size_t length = strnlen(path, kDevicePathSize - 1);
    std::memcpy(slot->DevicePath, path, length);
    slot->DevicePath[length] = '\0';
    return handle;
}

void EnumSensors()
{
    if (!BindHidLib() || !BindSetupLib()) return;
    const auto paths = platform::current().presentKeyboardPaths();
    if (!paths) {
        unbindBothServices();
        return;
    }
    tsLibState& state = LibState();
    const std::size_t members = std::min(paths->size(), kMaxEnumeratedInterfaces);
    for (std::size_t i = 0; i < members && state.Count < kMaxDevices; ++i) {
        tsDevSlot record{};
        if (OpenSensorPath((*paths)[i].c_str(), &record) != platform::kInvalidHandle)
            devlib::addToTable(record);
    }
    platform::current().unloadService(Service::Setup);
    clearSetupBinding();
}

int CheckDevPresent()
{
    if (GetDevCount() == 0) return 0;
    const auto paths = listPresentKeyboards();
    if (!paths) return -1;
    const char* current = devlib::currentSlot().DevicePath;
    return std::ranges::any_of(*paths,
                               [current](const std::string& path) {
                                   return equalIgnoringCase(path.c_str(), current, kDevicePathSize);
                               })
               ? 1
               : 0;
}

std::int16_t FindDevByPath(const char* path)
{
    if (!path) return -1;
    const tsLibState& state = LibState();
    for (std::int16_t i = 0; i < state.Count; ++i) {
        if (equalIgnoringCase(state.Slots[i].DevicePath, path, kDevicePathSize)) return i;
    }
    return -1;
}

int GetSensorIfGuid(std::uint8_t* guid16)
{
    if (!guid16) return 0;
    std::memcpy(guid16, kKeyboardInterfaceClass, sizeof kKeyboardInterfaceClass);
    return 1;
}

int OnDevArrival(const char* path)
{
    if (!fitsDevicePath(path) || !hasSensorPrefix(path)) return 0;
    if (devlib::deferTableChange(false, path)) return 0;
    // A sensor already in the table (found by discovery just before its
    // arrival was delivered) is not opened a second time.
    if (FindDevByPath(path) >= 0) return 0;
    tsDevSlot record{};
    const platform::Handle handle = OpenSensorPath(path, &record);
    if (handle == platform::kInvalidHandle) return 0;
    const int added = UpdateDevTable(&record, 0);
    if (!added) platform::current().close(handle);
    return added;
}

int OnDevRemoval(const char* path)
{
    if (!fitsDevicePath(path)) return 0;
    if (devlib::deferTableChange(true, path)) return 0;
    const int index = FindDevByPath(path);
    if (index < 0) return 0;
    return UpdateDevTable(&LibState().Slots[index], 1);
}
