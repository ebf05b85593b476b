#include "platform/sim/SimPlatform.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "platform/DevicePath.h"
#include "platform/SensorIds.h"
#include "platform/ServiceEntryPoints.h"
#include "platform/sim/SensorFirmware.h"

namespace sim {

namespace {

constexpr std::uint16_t kKeyboardVersion = 0x0100;

// Device paths compare without regard to letter case, as the host's own
// path matching does.
bool samePath(const std::string& a, const std::string& b)
{
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

struct SimPlatform::Impl {
    struct Device {
        std::string Path;
        bool IsSensor = false;
        bool Plugged = true;
        int Generation = 0;  // plug count: a handle works only on the plugging it was opened in
        bool AccessDenied = false;
        VirtualSensor Sensor;  // vendor, product and version also of a plain keyboard
        SensorFirmware Firmware;
        platform::Handle LockHolder = platform::kInvalidHandle;
        std::uint64_t HeldElsewhereUntilMs = 0;
        std::uint64_t ChangeStamp = 1;  // 0 is "unknown" to the seam
        std::uint64_t TransferCount = 0;
    };

    bool RealTime = false;
    std::chrono::steady_clock::time_point Start = std::chrono::steady_clock::now();
    std::uint64_t VirtualNowMs = 0;

    // Guards everything here; recursive because listeners may call back in.
    std::recursive_mutex Mutex;
    // Threads working at once: the virtual clock moves on to the earliest
    // wake when every one of them sleeps, so each sleeps exactly its time
    // and their sleeps overlap.
    int ParallelThreads = 0;
    std::multiset<std::uint64_t> Wakes;
    std::condition_variable_any Woken;

    std::map<DeviceId, Device> Devices;  // ids grow with each plug, so this is plug order
    DeviceId NextDeviceId = 1;
    struct OpenHandle {
        DeviceId Id;
        int Generation;
    };
    std::map<platform::Handle, OpenHandle> Handles;
    platform::Handle NextHandle = 1;
    bool ReuseHandleNumbers = false;
    std::vector<DeviceId> RefusedSensors;  // latest open refused for lack of access, in refusal order

    std::set<platform::Service> Loaded;
    std::set<platform::Service> FailingLoads;
    std::map<platform::Service, std::set<std::string, std::less<>>> RemovedEntryPoints;

    std::uint64_t TransferCount = 0;
    std::set<std::uint64_t> FailingTransfers;
    std::multimap<std::uint64_t, DeviceId> UnplugsAtTransfer;
    // By device and the device's own transfer count.
    std::set<std::pair<DeviceId, std::uint64_t>> FailingTransfersOf;
    std::set<std::pair<DeviceId, std::uint64_t>> UnplugsAtTransferOf;
    std::map<std::pair<DeviceId, std::uint64_t>, std::uint32_t>
        StalledTransfersOf;  // and how long each blocks
    bool FailAll = false;

    std::vector<Transfer> Transcript;
    std::function<void(const platform::DeviceEvent&)> DeviceListener;
    std::function<void(const Transfer&)> TransferListener;
    std::function<void(const std::string&)> ChangeListener;

    std::uint64_t now() const
    {
        if (!RealTime) return VirtualNowMs;
        const auto elapsed = std::chrono::steady_clock::now() - Start;
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    }

    DeviceId plug(Device device)
    {
        const DeviceId id = NextDeviceId++;
        device.Path = platform::makeDevicePath(device.Sensor.VendorID, device.Sensor.ProductID,
                                               "sim" + std::to_string(id));
        const std::string path = device.Path;
        Devices.emplace(id, std::move(device));
        notify({platform::DeviceEventKind::Arrival, path});
        return id;
    }

    void unplug(DeviceId id)
    {
        const auto it = Devices.find(id);
        if (it == Devices.end() || !it->second.Plugged) return;
        it->second.Plugged = false;
        notify({platform::DeviceEventKind::Removal, it->second.Path});
    }

    void replug(DeviceId id)
    {
        const auto it = Devices.find(id);
        if (it == Devices.end() || it->second.Plugged) return;
        Device& device = it->second;
        device.Plugged = true;
        ++device.Generation;
        device.LockHolder = platform::kInvalidHandle;
        device.Firmware = SensorFirmware{};
        VirtualSensor& sensor = device.Sensor;
        sensor.Pending = SensorHalves{};
        sensor.PendingHalves = 0;
        sensor.PendingMask = 0;
        sensor.KeySendsHalted = false;
        notify({platform::DeviceEventKind::Arrival, device.Path});
    }

    void notify(const platform::DeviceEvent& event) const
    {
        const auto listener = DeviceListener;
        if (listener) listener(event);
    }

    platform::Handle newHandle()
    {
        if (!ReuseHandleNumbers) return NextHandle++;
        platform::Handle lowestFree = 1;
        while (Handles.contains(lowestFree)) ++lowestFree;
        NextHandle = std::max(NextHandle, lowestFree + 1);
        return lowestFree;
    }

    Device* deviceOf(platform::Handle handle)
    {
        const auto it = Handles.find(handle);
        if (it == Handles.end()) return nullptr;
        return &Devices.at(it->second.Id);
    }

    void noteChange(Device& device)
    {
        ++device.ChangeStamp;
        const auto listener = ChangeListener;
        if (listener) listener(device.Path);
    }

    Device* pluggedDeviceOf(platform::Handle handle)
    {
        const auto it = Handles.find(handle);
        if (it == Handles.end()) return nullptr;
        Device& device = Devices.at(it->second.Id);
        return device.Plugged && device.Generation == it->second.Generation ? &device : nullptr;
    }

    // Counts the device's own transfer and applies the faults injected for
    // it; true when it is to fail.
    bool injectFaultsOf(platform::Handle handle)
    {
        const auto it = Handles.find(handle);
        if (it == Handles.end()) return false;
        const DeviceId id = it->second.Id;
        const std::uint64_t n = ++Devices.at(id).TransferCount;
        const bool fail = FailingTransfersOf.erase({id, n}) > 0;
        if (UnplugsAtTransferOf.erase({id, n}) == 0) return fail;
        unplug(id);
        return true;
    }

    // Counts the transfer and applies the faults injected for it; true when
    // it is to fail whatever the device would do.
    bool injectFaults(platform::Handle handle)
    {
        const std::uint64_t n = ++TransferCount;
        const bool scheduled = FailingTransfers.erase(n) > 0;
        bool fail = injectFaultsOf(handle) || FailAll || scheduled;
        const auto [first, last] = UnplugsAtTransfer.equal_range(n);
        std::vector<DeviceId> toUnplug;
        for (auto it = first; it != last; ++it) toUnplug.push_back(it->second);
        UnplugsAtTransfer.erase(first, last);
        for (DeviceId id : toUnplug) {
            unplug(id);
            fail = true;
        }
        return fail;
    }

    void record(Transfer::Direction direction, platform::Handle handle, const Report& bytes, bool ok)
    {
        const Device* device = deviceOf(handle);
        Transcript.push_back({direction, device ? device->Path : std::string(), bytes, now(), ok});
        const auto listener = TransferListener;
        const Transfer transfer = Transcript.back();
        if (listener) listener(transfer);
    }

    // Moves the clock to the earliest wake once every parallel thread sleeps.
    void advanceWhenAllAsleep()
    {
        if (ParallelThreads == 0 || static_cast<int>(Wakes.size()) < ParallelThreads) return;
        VirtualNowMs = std::max(VirtualNowMs, *Wakes.begin());
        Woken.notify_all();
    }

    void sleepVirtual(std::unique_lock<std::recursive_mutex>& lock, std::uint32_t ms)
    {
        if (ParallelThreads == 0) {
            VirtualNowMs += ms;
            return;
        }
        const std::uint64_t wake = VirtualNowMs + ms;
        const auto entry = Wakes.insert(wake);
        advanceWhenAllAsleep();
        Woken.wait(lock, [&] { return VirtualNowMs >= wake; });
        Wakes.erase(entry);
    }

    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report)
    {
        const bool injected = injectFaults(handle);
        Report answer{};
        Device* device = pluggedDeviceOf(handle);
        const bool ok = !injected && device && device->IsSensor && report.size() == answer.size() &&
                        report[0] == 0 && device->Firmware.answer(device->Sensor, answer, now());
        if (ok) std::ranges::copy(answer, report.begin());
        record(Transfer::Get, handle, ok ? answer : Report{}, ok);
        return ok;
    }

    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report)
    {
        const bool injected = injectFaults(handle);
        Report sent{};
        std::copy_n(report.begin(), std::min(report.size(), sent.size()), sent.begin());
        Device* device = pluggedDeviceOf(handle);
        const bool ok = !injected && device && device->IsSensor && report.size() == sent.size() &&
                        device->Firmware.receive(device->Sensor, sent, now());
        record(Transfer::Set, handle, sent, ok);
        return ok;
    }
};

SimPlatform::SimPlatform(bool realTime) : d(std::make_unique<Impl>())
{
    d->RealTime = realTime;
}

SimPlatform::~SimPlatform() = default;

DeviceId SimPlatform::plugSensor(std::uint16_t fwVersion, std::uint16_t luid)
{
    const std::lock_guard lock(d->Mutex);
    Impl::Device device;
    device.IsSensor = true;
    VirtualSensor& sensor = device.Sensor;
    sensor.VendorID = kSensorVendorIdA;
    sensor.ProductID = kSensorProductId;
    sensor.FwVersion = fwVersion;
    sensor.Luid = luid;
    sensor.FactoryDefaults = factoryDefaults(fwVersion);
    sensor.Config = sensor.FactoryDefaults;
    sensor.UserDefaults = sensor.FactoryDefaults;
    return d->plug(std::move(device));
}

DeviceId SimPlatform::plugKeyboard(std::uint16_t vendorId, std::uint16_t productId)
{
    const std::lock_guard lock(d->Mutex);
    Impl::Device device;
    device.Sensor.VendorID = vendorId;
    device.Sensor.ProductID = productId;
    device.Sensor.FwVersion = kKeyboardVersion;
    return d->plug(std::move(device));
}

void SimPlatform::unplug(DeviceId id)
{
    const std::lock_guard lock(d->Mutex);
    d->unplug(id);
}

void SimPlatform::replug(DeviceId id)
{
    const std::lock_guard lock(d->Mutex);
    d->replug(id);
}

VirtualSensor& SimPlatform::sensor(DeviceId id)
{
    const std::lock_guard lock(d->Mutex);
    Impl::Device& device = d->Devices.at(id);
    if (!device.IsSensor) throw std::invalid_argument("device " + std::to_string(id) + " is not a sensor");
    return device.Sensor;
}

std::string SimPlatform::pathOf(DeviceId id) const
{
    const std::lock_guard lock(d->Mutex);
    return d->Devices.at(id).Path;
}

std::vector<DeviceId> SimPlatform::pluggedDevices() const
{
    const std::lock_guard lock(d->Mutex);
    std::vector<DeviceId> ids;
    for (const auto& [id, device] : d->Devices)
        if (device.Plugged) ids.push_back(id);
    return ids;
}

int SimPlatform::openHandleCount(DeviceId id) const
{
    const std::lock_guard lock(d->Mutex);
    return static_cast<int>(
        std::ranges::count_if(d->Handles, [id](const auto& entry) { return entry.second.Id == id; }));
}

void SimPlatform::denyAccess(DeviceId id, bool denied)
{
    const std::lock_guard lock(d->Mutex);
    d->Devices.at(id).AccessDenied = denied;
}

void SimPlatform::reuseHandleNumbers(bool reuse)
{
    const std::lock_guard lock(d->Mutex);
    d->ReuseHandleNumbers = reuse;
}

void SimPlatform::holdElsewhere(DeviceId id, std::uint64_t untilMs)
{
    const std::lock_guard lock(d->Mutex);
    d->Devices.at(id).HeldElsewhereUntilMs = untilMs;
}

bool SimPlatform::lockedHere(DeviceId id) const
{
    const std::lock_guard lock(d->Mutex);
    return d->Devices.at(id).LockHolder != platform::kInvalidHandle;
}

void SimPlatform::changeElsewhere(DeviceId id)
{
    const std::lock_guard lock(d->Mutex);
    d->noteChange(d->Devices.at(id));
}

void SimPlatform::setChangeListener(std::function<void(const std::string&)> listener)
{
    const std::lock_guard lock(d->Mutex);
    d->ChangeListener = std::move(listener);
}

void SimPlatform::setDeviceListener(std::function<void(const platform::DeviceEvent&)> listener)
{
    const std::lock_guard lock(d->Mutex);
    d->DeviceListener = std::move(listener);
}

void SimPlatform::failTransfer(int k)
{
    const std::lock_guard lock(d->Mutex);
    if (k >= 1) d->FailingTransfers.insert(d->TransferCount + static_cast<std::uint64_t>(k));
}

void SimPlatform::failTransferOf(DeviceId id, int k)
{
    const std::lock_guard lock(d->Mutex);
    if (k >= 1)
        d->FailingTransfersOf.insert({id, d->Devices.at(id).TransferCount + static_cast<std::uint64_t>(k)});
}

void SimPlatform::unplugDuringTransferOf(DeviceId id, int k)
{
    const std::lock_guard lock(d->Mutex);
    if (k >= 1)
        d->UnplugsAtTransferOf.insert({id, d->Devices.at(id).TransferCount + static_cast<std::uint64_t>(k)});
}

void SimPlatform::failAllTransfers(bool fail)
{
    const std::lock_guard lock(d->Mutex);
    d->FailAll = fail;
}

void SimPlatform::unplugDuringTransfer(int k, DeviceId id)
{
    const std::lock_guard lock(d->Mutex);
    if (k >= 1) d->UnplugsAtTransfer.emplace(d->TransferCount + static_cast<std::uint64_t>(k), id);
}

void SimPlatform::failServiceLoad(platform::Service service, bool fail)
{
    const std::lock_guard lock(d->Mutex);
    if (fail)
        d->FailingLoads.insert(service);
    else
        d->FailingLoads.erase(service);
}

void SimPlatform::removeEntryPoint(platform::Service service, const std::string& name)
{
    const std::lock_guard lock(d->Mutex);
    d->RemovedEntryPoints[service].insert(name);
}

const std::vector<Transfer>& SimPlatform::transcript() const
{
    const std::lock_guard lock(d->Mutex);
    return d->Transcript;
}

void SimPlatform::clearTranscript()
{
    const std::lock_guard lock(d->Mutex);
    d->Transcript.clear();
}

void SimPlatform::setTransferListener(std::function<void(const Transfer&)> listener)
{
    const std::lock_guard lock(d->Mutex);
    d->TransferListener = std::move(listener);
}

bool SimPlatform::loadService(platform::Service service)
{
    const std::lock_guard lock(d->Mutex);
    if (d->FailingLoads.contains(service)) return false;
    d->Loaded.insert(service);
    return true;
}

bool SimPlatform::hasEntryPoint(platform::Service service, std::string_view name)
{
    const std::lock_guard lock(d->Mutex);
    if (!d->Loaded.contains(service)) return false;
    const auto& removed = d->RemovedEntryPoints[service];
    return platform::isEntryPointOf(service, name) && !removed.contains(name);
}

void SimPlatform::unloadService(platform::Service service)
{
    const std::lock_guard lock(d->Mutex);
    d->Loaded.erase(service);
}

std::optional<std::vector<std::string>> SimPlatform::presentKeyboardPaths()
{
    const std::lock_guard lock(d->Mutex);
    if (!d->Loaded.contains(platform::Service::Setup)) return std::nullopt;
    std::vector<std::string> paths;
    for (const auto& [id, device] : d->Devices)
        if (device.Plugged) paths.push_back(device.Path);
    return paths;
}

platform::Handle SimPlatform::open(const std::string& path)
{
    const std::lock_guard lock(d->Mutex);
    for (const auto& [id, device] : d->Devices) {
        if (!device.Plugged || !samePath(device.Path, path)) continue;
        std::erase(d->RefusedSensors, id);
        if (device.AccessDenied) {
            if (device.IsSensor) d->RefusedSensors.push_back(id);
            return platform::kInvalidHandle;
        }
        const platform::Handle handle = d->newHandle();
        d->Handles.emplace(handle, Impl::OpenHandle{id, device.Generation});
        return handle;
    }
    return platform::kInvalidHandle;
}

void SimPlatform::close(platform::Handle handle)
{
    const std::lock_guard lock(d->Mutex);
    unlock(handle);
    d->Handles.erase(handle);
}

std::vector<std::string> SimPlatform::inaccessibleSensorPaths()
{
    const std::lock_guard lock(d->Mutex);
    std::vector<std::string> paths;
    for (DeviceId id : d->RefusedSensors)
        if (d->Devices.at(id).Plugged) paths.push_back(d->Devices.at(id).Path);
    return paths;
}

platform::HidAttributes SimPlatform::attributes(platform::Handle handle)
{
    const std::lock_guard lock(d->Mutex);
    const Impl::Device* device = d->pluggedDeviceOf(handle);
    if (!device) return {};
    return {device->Sensor.VendorID, device->Sensor.ProductID, device->Sensor.FwVersion};
}

bool SimPlatform::getFeature(platform::Handle handle, std::span<std::uint8_t> report)
{
    blockIfStalled(handle);
    const std::lock_guard lock(d->Mutex);
    return d->getFeature(handle, report);
}

bool SimPlatform::setFeature(platform::Handle handle, std::span<const std::uint8_t> report)
{
    blockIfStalled(handle);
    const std::lock_guard lock(d->Mutex);
    return d->setFeature(handle, report);
}

void SimPlatform::stallTransferOf(DeviceId id, int k, std::uint32_t ms)
{
    const std::lock_guard lock(d->Mutex);
    if (k < 1) return;
    const std::uint64_t n = d->Devices.at(id).TransferCount + static_cast<std::uint64_t>(k);
    d->StalledTransfersOf[{id, n}] = ms;
    d->FailingTransfersOf.insert({id, n});
}

void SimPlatform::blockIfStalled(platform::Handle handle)
{
    std::uint32_t ms = 0;
    {
        const std::lock_guard lock(d->Mutex);
        const auto open = d->Handles.find(handle);
        if (open == d->Handles.end()) return;
        const DeviceId id = open->second.Id;
        const auto stalled = d->StalledTransfersOf.find({id, d->Devices.at(id).TransferCount + 1});
        if (stalled == d->StalledTransfersOf.end()) return;
        ms = stalled->second;
        d->StalledTransfersOf.erase(stalled);
    }
    sleepMs(ms);
}

platform::LockResult SimPlatform::tryLock(platform::Handle handle)
{
    const std::lock_guard lock(d->Mutex);
    Impl::Device* device = d->pluggedDeviceOf(handle);
    if (!device) return platform::LockResult::Failed;
    const bool heldElsewhere = d->now() < device->HeldElsewhereUntilMs;
    const bool heldByOtherHandle =
        device->LockHolder != platform::kInvalidHandle && device->LockHolder != handle;
    if (heldElsewhere || heldByOtherHandle) return platform::LockResult::Held;
    device->LockHolder = handle;
    return platform::LockResult::Acquired;
}

void SimPlatform::unlock(platform::Handle handle)
{
    const std::lock_guard lock(d->Mutex);
    Impl::Device* device = d->deviceOf(handle);
    if (device && device->LockHolder == handle) device->LockHolder = platform::kInvalidHandle;
}

void SimPlatform::markChanged(platform::Handle handle)
{
    const std::lock_guard lock(d->Mutex);
    if (Impl::Device* device = d->pluggedDeviceOf(handle)) d->noteChange(*device);
}

std::uint64_t SimPlatform::changeStamp(platform::Handle handle)
{
    const std::lock_guard lock(d->Mutex);
    const Impl::Device* device = d->pluggedDeviceOf(handle);
    return device ? device->ChangeStamp : 0;
}

void SimPlatform::sleepMs(std::uint32_t ms)
{
    if (d->RealTime) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    std::unique_lock lock(d->Mutex);
    d->sleepVirtual(lock, ms);
}

void SimPlatform::enterParallelWork(int threads)
{
    const std::lock_guard lock(d->Mutex);
    d->ParallelThreads += threads;
}

void SimPlatform::leaveParallelWork()
{
    const std::lock_guard lock(d->Mutex);
    --d->ParallelThreads;
    d->advanceWhenAllAsleep();
}

std::uint64_t SimPlatform::nowMs()
{
    const std::lock_guard lock(d->Mutex);
    return d->now();
}

}  // namespace sim
