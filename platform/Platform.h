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

// Threads. The device library calls a backend from the one thread that owns
// its table and, during a run across the sensors, from one thread per sensor
// at once. "Concurrent" below: may run at the same time on several threads,
// each on its own handle. "Owner": called only by the table's owner, never
// while a run is on. "One at a time": never two calls at once, but not only
// by the owner: a sensor thread looking whether its sensor is still present
// binds and asks the setup service while other sensor threads exchange reports.
class Platform {
public:
    virtual ~Platform() = default;

    // One at a time. Loads a service module; false when it cannot be loaded.
    virtual bool loadService(Service service) = 0;
    // One at a time. Whether the loaded service offers the named entry point.
    virtual bool hasEntryPoint(Service service, std::string_view name) = 0;
    // One at a time.
    virtual void unloadService(Service service) = 0;

    // One at a time. Interface paths of the present keyboard-class devices,
    // in enumeration order; nullopt when the set of present devices cannot be obtained.
    virtual std::optional<std::vector<std::string>> presentKeyboardPaths() = 0;

    // Owner. Shared open that needs neither read nor write access.
    virtual Handle open(const std::string& path) = 0;
    // Owner, with no operation on the handle left running.
    virtual void close(Handle handle) = 0;
    // Concurrent with open (the program asks from its own threads). Paths of
    // present sensors whose latest open was refused for lack of access, in the order refused.
    virtual std::vector<std::string> inaccessibleSensorPaths() = 0;
    // Concurrent. Zeros when the attributes cannot be read.
    virtual HidAttributes attributes(Handle handle) = 0;

    // Concurrent. One feature report, report id in byte 0.
    virtual bool getFeature(Handle handle, std::span<std::uint8_t> report) = 0;
    // Concurrent.
    virtual bool setFeature(Handle handle, std::span<const std::uint8_t> report) = 0;

    // Concurrent. Exclusive use of the sensor behind an open handle, across
    // programs and users, for one operation; never waits. Released by unlock
    // (on the thread that took it), by closing the handle or by the end of the
    // program that holds it.
    virtual LockResult tryLock(Handle handle) = 0;
    // Concurrent.
    virtual void unlock(Handle handle) = 0;
    // Concurrent. Tells programs watching the sensor that its configuration has changed.
    virtual void markChanged(Handle handle) = 0;
    // Concurrent. Moves on with every change any program marks on the sensor; 0 when unknown.
    virtual std::uint64_t changeStamp(Handle handle) = 0;

    // Concurrent.
    virtual void sleepMs(std::uint32_t ms) = 0;
    // Concurrent. Monotonic milliseconds.
    virtual std::uint64_t nowMs() = 0;

    // Owner. Several threads are about to work at once, each on a sensor of
    // its own; each tells leaveParallelWork when it ends. A clock that is not
    // the wall clock moves on only while every one of them sleeps.
    virtual void enterParallelWork(int threads) { (void)threads; }
    // Concurrent: each sensor thread of the run, as it ends.
    virtual void leaveParallelWork() {}
};

// The installed backend. Installing does not take ownership.
void install(Platform* backend);
Platform& current();
bool installed();

}  // namespace platform
