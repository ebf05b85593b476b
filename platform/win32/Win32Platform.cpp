#include "Win32Platform.h"

#include <windows.h>
// The HID declarations need the Windows types above.
#include <hidsdi.h>

#include <limits>
#include <utility>
#include <vector>

#include "platform/ServiceEntryPoints.h"
#include "platform/win32/InterfacePath.h"
#include "platform/win32/KeyboardInterfaces.h"
#include "platform/win32/OpenSecurity.h"

namespace win32 {

namespace {

using platform::Service;
namespace entry = platform::entry;

HANDLE deviceOf(platform::Handle handle)
{
    return handle == platform::kInvalidHandle ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(handle);
}

bool isOpenDevice(platform::Handle handle)
{
    return handle != platform::kInvalidHandle && handle != 0;
}

bool fitsReportLength(std::size_t bytes)
{
    return bytes > 0 && bytes <= std::numeric_limits<ULONG>::max();
}

// Opens the device without read or write access, shared (access allowed to
// everyone, as the device is opened for the logged-in user and shared): feature reports need
// no access, and a keyboard opened for reading is refused (the system holds
// it exclusively). The invalid handle, with the last error set, on failure.
HANDLE openShared(const std::string& path)
{
    SECURITY_DESCRIPTOR descriptor{};
    if (!makeOpenSecurity(descriptor)) {
        return INVALID_HANDLE_VALUE;
    }
    SECURITY_ATTRIBUTES security{sizeof security, &descriptor, FALSE};
    return CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, &security, OPEN_EXISTING, 0,
                       nullptr);
}

}  // namespace

Win32Platform::Win32Platform() : Win32Platform(hidServiceBinding(), setupServiceBinding()) {}

Win32Platform::Win32Platform(ServiceBinding hid, ServiceBinding setup)
    : hid_{std::move(hid)}, setup_{std::move(setup)}
{
}

Win32Platform::~Win32Platform()
{
    unloadService(Service::Setup);
    unloadService(Service::Hid);
}

Win32Platform::BoundService& Win32Platform::bound(Service service)
{
    return service == Service::Hid ? hid_ : setup_;
}

template <typename Function>
Function Win32Platform::entryPoint(Service service, std::string_view name)
{
    // Every entry point is recorded as void (*)(), which converts to any
    // function pointer type; it was looked up under the name of this type.
    return reinterpret_cast<Function>(bound(service).Binding.address(name));
}

bool Win32Platform::loadService(Service service)
{
    BoundService& target = bound(service);
    if (target.Module) {
        return true;
    }
    // Only the system's own copy of the module, never one planted beside the program.
    target.Module = LoadLibraryExA(target.Binding.module().c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return target.Module != nullptr;
}

bool Win32Platform::hasEntryPoint(Service service, std::string_view name)
{
    BoundService& target = bound(service);
    if (!target.Module) {
        return false;
    }
    const auto module = static_cast<HMODULE>(target.Module);
    return target.Binding.lookUp(name, [module](const char* entryName) {
        return reinterpret_cast<EntryAddress>(GetProcAddress(module, entryName));
    });
}

void Win32Platform::unloadService(Service service)
{
    BoundService& target = bound(service);
    target.Binding.forgetAddresses();
    if (target.Module) {
        FreeLibrary(static_cast<HMODULE>(target.Module));
        target.Module = nullptr;
    }
}

std::optional<std::vector<std::string>> Win32Platform::presentKeyboardPaths()
{
    SetupEntryPoints setup;
    setup.GetClassDevs = entryPoint<decltype(setup.GetClassDevs)>(Service::Setup, entry::SetupGetClassDevs);
    setup.EnumDeviceInterfaces =
        entryPoint<decltype(setup.EnumDeviceInterfaces)>(Service::Setup, entry::SetupEnumDeviceInterfaces);
    setup.GetDeviceInterfaceDetail = entryPoint<decltype(setup.GetDeviceInterfaceDetail)>(
        Service::Setup, entry::SetupGetDeviceInterfaceDetail);
    setup.DestroyDeviceInfoList =
        entryPoint<decltype(setup.DestroyDeviceInfoList)>(Service::Setup, entry::SetupDestroyDeviceInfoList);
    return presentKeyboardInterfaces(setup);
}

platform::Handle Win32Platform::open(const std::string& path)
{
    if (!isSensorDevicePath(path)) {
        return platform::kInvalidHandle;
    }
    HANDLE device = openShared(path);
    refusals_.noteOpen(path, device == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED);
    if (device == INVALID_HANDLE_VALUE) {
        return platform::kInvalidHandle;
    }
    const auto handle = reinterpret_cast<platform::Handle>(device);
    auto sensorMutex = std::make_unique<SensorMutex>(path);
    const std::lock_guard guard(locksMutex_);
    locks_.insert_or_assign(handle, std::move(sensorMutex));
    return handle;
}

void Win32Platform::close(platform::Handle handle)
{
    {
        const std::lock_guard guard(locksMutex_);
        locks_.erase(handle);
    }
    if (isOpenDevice(handle)) {
        CloseHandle(deviceOf(handle));
    }
}

// The sensor mutex is taken and given back under the map's mutex: neither waits.
platform::LockResult Win32Platform::tryLock(platform::Handle handle)
{
    const std::lock_guard guard(locksMutex_);
    const auto lock = locks_.find(handle);
    return lock == locks_.end() ? platform::LockResult::Failed : lock->second->tryLock();
}

void Win32Platform::unlock(platform::Handle handle)
{
    const std::lock_guard guard(locksMutex_);
    if (const auto lock = locks_.find(handle); lock != locks_.end()) {
        lock->second->unlock();
    }
}

// Windows keeps no change notice: a sheet there does not hear of another program's writes.
void Win32Platform::markChanged(platform::Handle) {}

std::uint64_t Win32Platform::changeStamp(platform::Handle)
{
    return 0;
}

std::vector<std::string> Win32Platform::inaccessibleSensorPaths()
{
    return refusals_.confirmed([](const std::string& path) {
        HANDLE device = openShared(path);
        if (device == INVALID_HANDLE_VALUE) {
            return GetLastError() == ERROR_ACCESS_DENIED;
        }
        CloseHandle(device);
        return false;
    });
}

platform::HidAttributes Win32Platform::attributes(platform::Handle handle)
{
    const auto getAttributes =
        entryPoint<decltype(&::HidD_GetAttributes)>(Service::Hid, entry::HidGetAttributes);
    HIDD_ATTRIBUTES found{};
    found.Size = sizeof found;
    if (!isOpenDevice(handle) || !getAttributes || !getAttributes(deviceOf(handle), &found)) {
        return {};
    }
    return {found.VendorID, found.ProductID, found.VersionNumber};
}

bool Win32Platform::getFeature(platform::Handle handle, std::span<std::uint8_t> report)
{
    const auto getFeatureReport =
        entryPoint<decltype(&::HidD_GetFeature)>(Service::Hid, entry::HidGetFeature);
    if (!isOpenDevice(handle) || !getFeatureReport || !fitsReportLength(report.size())) {
        return false;
    }
    return getFeatureReport(deviceOf(handle), report.data(), static_cast<ULONG>(report.size()));
}

bool Win32Platform::setFeature(platform::Handle handle, std::span<const std::uint8_t> report)
{
    const auto setFeatureReport =
        entryPoint<decltype(&::HidD_SetFeature)>(Service::Hid, entry::HidSetFeature);
    if (!isOpenDevice(handle) || !setFeatureReport || !fitsReportLength(report.size())) {
        return false;
    }
    // The service takes a writable buffer.
    std::vector<std::uint8_t> buffer(report.begin(), report.end());
    return setFeatureReport(deviceOf(handle), buffer.data(), static_cast<ULONG>(buffer.size()));
}

void Win32Platform::sleepMs(std::uint32_t ms)
{
    Sleep(ms);
}

std::uint64_t Win32Platform::nowMs()
{
    return GetTickCount64();
}

}  // namespace win32
