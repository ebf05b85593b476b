#pragma once

// The Windows backend of the platform seam: the HID class service and the
// device-setup service bound at run time by module and entry-point name,
// keyboards found through the keyboard device-interface class, opened without
// read or write access, feature reports through the HID class service.

#include <map>
#include <memory>
#include <mutex>

#include "platform/Platform.h"
#include "platform/win32/AccessRefusals.h"
#include "platform/win32/SensorMutex.h"
#include "platform/win32/ServiceBinding.h"

namespace win32 {

class Win32Platform : public platform::Platform {
public:
    // Binds HID.DLL and SETUPAPI.DLL by the names in ServiceBinding.h.
    Win32Platform();
    // Binds the given modules and entry points instead.
    Win32Platform(ServiceBinding hid, ServiceBinding setup);
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;
    ~Win32Platform() override;

    bool loadService(platform::Service service) override;
    // Looks the entry point up in the loaded module, when it is one the
    // backend binds; the backend calls only what was found this way.
    bool hasEntryPoint(platform::Service service, std::string_view name) override;
    void unloadService(platform::Service service) override;

    std::optional<std::vector<std::string>> presentKeyboardPaths() override;

    // Opens only a sensor's interface, found by the vendor and product its
    // path names; any other keyboard is refused without being touched.
    platform::Handle open(const std::string& path) override;
    void close(platform::Handle handle) override;
    // The refused sensors that a fresh open would still refuse.
    std::vector<std::string> inaccessibleSensorPaths() override;
    platform::HidAttributes attributes(platform::Handle handle) override;

    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override;
    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override;

    // A named mutex per sensor (SensorMutex.h), made at open.
    platform::LockResult tryLock(platform::Handle handle) override;
    void unlock(platform::Handle handle) override;
    void markChanged(platform::Handle handle) override;
    std::uint64_t changeStamp(platform::Handle handle) override;

    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMs() override;

private:
    struct BoundService {
        ServiceBinding Binding;
        void* Module = nullptr;  // the HMODULE while loaded
    };

    BoundService& bound(platform::Service service);
    // The entry point as its own function type; nullptr unless found.
    template <typename Function>
    Function entryPoint(platform::Service service, std::string_view name);

    BoundService hid_;
    BoundService setup_;
    AccessRefusals refusals_;
    // Sensor threads lock and unlock their sensors at once while handles may be opened and closed.
    std::mutex locksMutex_;
    std::map<platform::Handle, std::unique_ptr<SensorMutex>> locks_;
};

}  // namespace win32
