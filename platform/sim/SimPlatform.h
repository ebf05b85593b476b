#pragma once

// The sim backend: virtual sensors and plain keyboards behind the platform
// seam, a virtual clock, fault injection and a transcript of every transfer.
// Safe to call from several threads at once.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace sim {

using Report = std::array<std::uint8_t, 9>;
using Half = std::array<std::uint8_t, 8>;

// The ten eight-byte halves a sensor keeps, named by the command that moves them.
enum class HalfId {
    Sonar,        // 0x80
    WalkAway1,    // 0x81
    WalkAway2,    // 0x82
    WalkUp1,      // 0x83
    WalkUp2,      // 0x84
    WalkAwayEx1,  // 0x8B/0x08
    WalkAwayEx2,  // 0x8B/0x09
    WalkUpEx1,    // 0x8B/0x0A
    WalkUpEx2,    // 0x8B/0x0B
    Idle,         // 0x85
};
inline constexpr int kHalfCount = 10;

// The sensor's distances count in units of which this many make an inch.
inline constexpr double kUnitsPerInch = 3.472222;

struct SensorHalves {
    std::array<Half, kHalfCount> Halves{};
    Half& operator[](HalfId id) { return Halves[static_cast<int>(id)]; }
    const Half& operator[](HalfId id) const { return Halves[static_cast<int>(id)]; }
    friend bool operator==(const SensorHalves&, const SensorHalves&) = default;
};

// A virtual sensor as the device side sees itself. Tests read and change its
// fields directly.
struct VirtualSensor {
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint16_t FwVersion = 0x0405;  // BCD, reported both as HID version and in the info report
    std::uint16_t Luid = 0;

    SensorHalves Config;              // what the sensor works with
    SensorHalves Pending;             // halves written but not yet committed
    std::uint16_t PendingHalves = 0;  // bit per HalfId: which halves of Pending were written
    std::uint8_t PendingMask = 0;     // the same, as the commit-mask bits that would take them
    SensorHalves FactoryDefaults;     // what 0xA0 restores; factoryDefaults(FwVersion) at plug
    SensorHalves UserDefaults;        // what 0xE0 stores and 0xD0 restores

    bool KeySendsHalted = false;
    bool ExtensionSetsSupported = true;
    std::uint8_t TargetRaw = 100;  // target distance in sensor units (kUnitsPerInch per inch)

    // Raw sensor value for a distance in inches.
    void setTargetInches(double inches);
    // Bit 0 of the range flags: the target lies inside [MinDist, MaxDist] of the sonar half.
    bool targetInRange() const;
};

// The commit-mask bit that makes a written half take effect (a base half and
// its extension half share one bit).
std::uint8_t commitBit(HalfId half);

// Factory defaults of a sensor of the given firmware (firmware 4.00 to 4.09
// comes back with dead-target detection and the minimum-distance fault on).
SensorHalves factoryDefaults(std::uint16_t fwVersion);

struct Transfer {
    enum Direction { Get, Set } Dir;
    std::string Path;
    Report Bytes{};
    std::uint64_t TimeMs = 0;  // virtual time at which the transfer happened
    bool Ok = true;
};

using DeviceId = int;

class SimPlatform : public platform::Platform {
public:
    // With realTime the clock follows the wall clock and sleeps really sleep
    // (tolvane-sim); otherwise sleep advances virtual time at once (tests).
    explicit SimPlatform(bool realTime = false);
    ~SimPlatform() override;

    // ---- Devices (plug and unplug in any order) ----
    DeviceId plugSensor(std::uint16_t fwVersion = 0x0405, std::uint16_t luid = 0);
    DeviceId plugKeyboard(std::uint16_t vendorId, std::uint16_t productId);
    void unplug(DeviceId id);
    // Plugs an unplugged device in again at its old path: the same sensor,
    // with the configuration, LUID and stored defaults it kept. What does not
    // survive losing power goes: halves not yet committed, a command waiting
    // for its answer, halted key sends. Handles opened before the unplug stay dead.
    void replug(DeviceId id);
    VirtualSensor& sensor(DeviceId id);
    std::string pathOf(DeviceId id) const;
    std::vector<DeviceId> pluggedDevices() const;
    // Handles currently open on a device.
    int openHandleCount(DeviceId id) const;
    // Opens of the device are refused for lack of access, as for a node the
    // user has no permission on, until allowed again.
    void denyAccess(DeviceId id, bool denied = true);
    // Opens give the lowest handle number not open, as the kernel gives out
    // file descriptors, so a closed handle's number comes back; otherwise
    // every open gives a number never given before.
    void reuseHandleNumbers(bool reuse = true);

    // ---- Other programs using the sensor ----
    // Another program has the sensor until the clock reads untilMs (0: free again).
    void holdElsewhere(DeviceId id, std::uint64_t untilMs);
    // Whether some open handle of this process holds the sensor's lock.
    bool lockedHere(DeviceId id) const;
    // Another program changed the sensor: its change stamp moves on and the change listener hears of it.
    void changeElsewhere(DeviceId id);
    // Called with the device's path whenever any program marks a change of it.
    void setChangeListener(std::function<void(const std::string&)> listener);

    // Arrival and removal notifications, delivered synchronously from
    // plug and unplug.
    void setDeviceListener(std::function<void(const platform::DeviceEvent&)> listener);

    // ---- Fault injection ----
    void failTransfer(int k);  // the k-th transfer from now (1 = the next) fails
    void failAllTransfers(bool fail = true);
    void unplugDuringTransfer(int k, DeviceId id);  // the k-th transfer from now finds the device gone
    // The same, counting only the transfers of the device id: faults that
    // stay put when several sensors are talked to at once.
    void failTransferOf(DeviceId id, int k);
    void unplugDuringTransferOf(DeviceId id, int k);
    // The k-th transfer of the device from now blocks for ms, as one to a
    // sensor that stopped answering blocks until the USB timeout, and fails.
    void stallTransferOf(DeviceId id, int k, std::uint32_t ms);
    void failServiceLoad(platform::Service service, bool fail = true);
    void removeEntryPoint(platform::Service service, const std::string& name);

    // ---- Transcript and clock ----
    const std::vector<Transfer>& transcript() const;
    void clearTranscript();
    // Called after every transfer (the Virtual Sensors window's live list).
    void setTransferListener(std::function<void(const Transfer&)> listener);

    // ---- platform::Platform ----
    bool loadService(platform::Service service) override;
    bool hasEntryPoint(platform::Service service, std::string_view name) override;
    void unloadService(platform::Service service) override;
    std::optional<std::vector<std::string>> presentKeyboardPaths() override;
    platform::Handle open(const std::string& path) override;
    void close(platform::Handle handle) override;
    std::vector<std::string> inaccessibleSensorPaths() override;
    platform::HidAttributes attributes(platform::Handle handle) override;
    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override;
    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override;
    platform::LockResult tryLock(platform::Handle handle) override;
    void unlock(platform::Handle handle) override;
    void markChanged(platform::Handle handle) override;
    std::uint64_t changeStamp(platform::Handle handle) override;
    // Virtual time moves on while threads work at once only when every one
    // of them sleeps: to the earliest wake, so each sleeps exactly its time.
    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMs() override;
    void enterParallelWork(int threads) override;
    void leaveParallelWork() override;

private:
    void blockIfStalled(platform::Handle handle);

    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace sim
