// The library's state record, its version and the table of open sensors.

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "DevLibInternal.h"

namespace {

tsLibState g_state{};

// The sensor a thread started by RunOnEverySensor acts on, and its index.
thread_local tsDevSlot* t_threadSensor = nullptr;
thread_local std::int16_t t_threadIndex = -1;

// Arrivals and removals noted while a run across the sensors keeps the table still.
struct TableChange {
    bool Removal;
    std::string Path;
};
std::mutex g_runMutex;
bool g_running = false;
std::vector<TableChange> g_deferred;

constexpr std::uint16_t kVersionMajor = 5;
constexpr std::uint16_t kVersionMinor = 8;
constexpr std::uint16_t kVersionBuild = 0;

void emptySlot(tsDevSlot& slot)
{
    slot = tsDevSlot{};
    slot.Handle = platform::kInvalidHandle;
}

// Index of the first occupied slot holding this valid handle, or -1.
int slotHoldingHandle(platform::Handle handle)
{
    if (handle == platform::kInvalidHandle) return -1;
    for (int i = 0; i < g_state.Count; ++i) {
        if (g_state.Slots[i].Handle == handle) return i;
    }
    return -1;
}

int removeFromTable(platform::Handle handle)
{
    const int index = slotHoldingHandle(handle);
    if (index < 0) return 0;
    devlib::forgetHandle(handle);
    platform::current().close(handle);
    for (int i = index; i + 1 < g_state.Count; ++i) g_state.Slots[i] = g_state.Slots[i + 1];
    --g_state.Count;
    emptySlot(g_state.Slots[g_state.Count]);
    return 1;
}

int addToTable(const tsDevSlot& record)
{
    if (g_state.Count >= kMaxDevices) return 0;
    g_state.Slots[g_state.Count] = record;
    ++g_state.Count;
    return 1;
}

}  // namespace

tsLibState& LibState()
{
    return g_state;
}

namespace devlib {

tsDevSlot& currentSlot()
{
    return t_threadSensor ? *t_threadSensor : g_state.Slots[g_state.CurrentSlot];
}

bool deferTableChange(bool removal, const char* path)
{
    const std::lock_guard lock(g_runMutex);
    if (!g_running) return false;
    g_deferred.push_back({removal, path});
    return true;
}

bool hidBound()
{
    return g_state.Hid.Module;
}

}  // namespace devlib

void ResetLibState()
{
    std::memset(g_state.InterfaceClass, 0, sizeof g_state.InterfaceClass);
    g_state.FeatureReportLength = kFeatureReportLength;
    g_state.Hid = tsHidBinding{};
    g_state.CurrentSlot = 0;
    g_state.Count = 0;
    for (tsDevSlot& slot : g_state.Slots) emptySlot(slot);
}

int GetLibVersion(std::uint16_t* major, std::uint16_t* minor, std::uint16_t* build)
{
    if (major) *major = kVersionMajor;
    if (minor) *minor = kVersionMinor;
    if (build) *build = kVersionBuild;
    return 1;
}

int CloseAllDevices()
{
    for (int i = 0; i < g_state.Count; ++i) {
        if (g_state.Slots[i].Handle == platform::kInvalidHandle) continue;
        devlib::forgetHandle(g_state.Slots[i].Handle);
        platform::current().close(g_state.Slots[i].Handle);
    }
    g_state.Count = 0;
    if (g_state.Hid.Module) platform::current().unloadService(platform::Service::Hid);
    ResetLibState();
    return 1;
}

std::int16_t GetDevCount()
{
    return g_state.Count;
}

namespace {

void setRunning(bool running)
{
    const std::lock_guard lock(g_runMutex);
    g_running = running;
}

std::vector<TableChange> takeDeferredChanges()
{
    const std::lock_guard lock(g_runMutex);
    return std::exchange(g_deferred, {});
}

void runOnThreadOf(tsDevSlot& sensor, std::int16_t index, const std::function<void(std::int16_t)>& operation)
{
    t_threadSensor = &sensor;
    t_threadIndex = index;
    operation(index);
    t_threadSensor = nullptr;
    t_threadIndex = -1;
    platform::current().leaveParallelWork();
}

}  // namespace

void RunOnEverySensor(const std::function<void(std::int16_t index)>& operation)
{
    std::vector<std::int16_t> every(static_cast<std::size_t>(g_state.Count));
    std::iota(every.begin(), every.end(), std::int16_t{0});
    RunOnSensors(every, operation);
}

void RunOnSensors(const std::vector<std::int16_t>& indices,
                  const std::function<void(std::int16_t index)>& operation)
{
    std::vector<std::int16_t> inTable;
    std::ranges::copy_if(indices, std::back_inserter(inTable),
                         [](std::int16_t index) { return index >= 0 && index < g_state.Count; });
    std::ranges::sort(inTable);
    inTable.erase(std::unique(inTable.begin(), inTable.end()), inTable.end());
    setRunning(true);
    platform::current().enterParallelWork(static_cast<int>(inTable.size()));
    std::vector<std::thread> threads;
    threads.reserve(inTable.size());
    for (const std::int16_t i : inTable)
        threads.emplace_back(runOnThreadOf, std::ref(g_state.Slots[i]), i, std::cref(operation));
    for (std::thread& thread : threads) thread.join();
    setRunning(false);
    for (const TableChange& change : takeDeferredChanges())
        change.Removal ? OnDevRemoval(change.Path.c_str()) : OnDevArrival(change.Path.c_str());
}

tsDevSlot DevRecord(std::int16_t index)
{
    if (index >= 0 && index < g_state.Count) return g_state.Slots[index];
    tsDevSlot empty{};
    emptySlot(empty);
    return empty;
}

tsDevSlot CurrentDevRecord()
{
    return devlib::currentSlot();
}

std::int16_t GetCurrentDev()
{
    return t_threadSensor ? t_threadIndex : g_state.CurrentSlot;
}

void TryDevStores(const std::function<void()>& stores)
{
    tsDevSlot& slot = devlib::currentSlot();
    const tsDevSlot held = slot;
    stores();
    slot = held;
}

int SelectDev(std::int16_t index)
{
    // A thread working on one sensor of a run keeps to it.
    if (t_threadSensor) return index == t_threadIndex ? 1 : 0;
    if (index < 0 || index >= kMaxDevices || index >= g_state.Count) return 0;
    g_state.CurrentSlot = index;
    return 1;
}

std::uint32_t GetDevStatus()
{
    return devlib::currentSlot().Status;
}

int UpdateDevTable(const tsDevSlot* record, int remove)
{
    int result = 0;
    if (record) result = remove ? removeFromTable(record->Handle) : addToTable(*record);
    g_state.CurrentSlot = 0;
    return result;
}
