#pragma once

// The platform seam: everything the device library needs from the operating
// system, and nothing more. One backend is installed at a time; the program
// installs one at start, every test installs a fresh simulated one.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

// The two run-time bound services: HID class access and device enumeration.
enum class Service { Hid, Setup };

struct HidAttributes {
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint16_t VersionNumber = 0;
};

enum class DeviceEventKind { Arrival, Removal };

enum class LockResult {
    Acquired,
    Held,    // another program (or another open in this one) has the sensor
    Failed,  // the lock cannot be taken at all
};

struct DeviceEvent {
    DeviceEventKind Kind;
    std::string Path;  // interface-path form, see DevicePath.h
};

class Platform {
public:
    virtual ~Platform() = default;

    // Loads a service module; false when it cannot be loaded.
    virtual bool loadService(Service service) = 0;
    // Whether the loaded service offers the named entry point.
    virtual bool hasEntryPoint(Service service, std::string_view name) = 0;
    virtual void unloadService(Service service) = 0;

    // Interface paths of the present keyboard-class devices, in enumeration
    // order; nullopt when the set of present devices cannot be obtained.
    virtual std::optional<std::vector<std::string>> presentKeyboardPaths() = 0;

    // Shared open that needs neither read nor write access.
    virtual Handle open(const std::string& path) = 0;
    virtual void close(Handle handle) = 0;
    // Paths of present sensors whose latest open was refused for lack of access, in the order refused.
    virtual std::vector<std::string> inaccessibleSensorPaths() = 0;
    // Zeros when the attributes cannot be read.
    virtual HidAttributes attributes(Handle handle) = 0;

    // One feature report, report id in byte 0.
    virtual bool getFeature(Handle handle, std::span<std::uint8_t> report) = 0;
    virtual bool setFeature(Handle handle, std::span<const std::uint8_t> report) = 0;

    // Exclusive use of the sensor behind an open handle, across programs and
    // users, for one operation; never waits. Released by unlock, by closing the
    // handle or by the end of the program that holds it.
    virtual LockResult tryLock(Handle handle) = 0;
    virtual void unlock(Handle handle) = 0;
    // Tells programs watching the sensor that its configuration has changed.
    virtual void markChanged(Handle handle) = 0;
    // Moves on with every change any program marks on the sensor; 0 when unknown.
    virtual std::uint64_t changeStamp(Handle handle) = 0;

    virtual void sleepMs(std::uint32_t ms) = 0;
    // Monotonic milliseconds.
    virtual std::uint64_t nowMs() = 0;

    // Several threads are about to work at once, each on a sensor of its
    // own; each tells leaveParallelWork when it ends. A clock that is not the
    // wall clock moves on only while every one of them sleeps.
    virtual void enterParallelWork(int threads) { (void)threads; }
    virtual void leaveParallelWork() {}
};

// The installed backend. Installing does not take ownership.
void install(Platform* backend);
Platform& current();
bool installed();

}  // namespace platform
