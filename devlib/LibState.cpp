// The library's state record, its version and the table of open sensors.

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "DevLibInternal.h"

namespace {

using Holds = std::array<std::shared_ptr<devlib::SensorHold>, kMaxDevices>;

Holds freshHolds()
{
    Holds holds;
    for (std::shared_ptr<devlib::SensorHold>& hold : holds) hold = std::make_shared<devlib::SensorHold>();
    return holds;
}

tsLibState g_state{};
// Each slot's hold, indexed as the table and moved with its slot. A sensor
// that enters or leaves a slot leaves a fresh hold there, so the holds change
// only with the table and are never made by the threads using them.
Holds g_holds = freshHolds();

// The index of the sensor a thread started by RunOnEverySensor acts on; -1 on other threads.
thread_local std::int16_t t_threadIndex = -1;
// Plain values only: a thread_local with a destructor is unsafe where threads
// end (see SensorLock.cpp).
static_assert(std::is_trivially_destructible_v<decltype(t_threadIndex)>);

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

std::int16_t currentIndex()
{
    return t_threadIndex >= 0 ? t_threadIndex : g_state.CurrentSlot;
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

// Closes the handle of the sensor at index and forgets its hold with it:
// every sensor's handle is closed here. The platform dropped the lock with
// the handle, so an operation still open on the sensor ends on a hold that
// has nothing to release, and never reaches the handle's number, which the
// next sensor opened may be given.
void closeSensor(int index)
{
    tsDevSlot& slot = g_state.Slots[index];
    if (slot.Handle != platform::kInvalidHandle) platform::current().close(slot.Handle);
    slot.Handle = platform::kInvalidHandle;
    g_holds[index]->Locked = platform::kInvalidHandle;
    g_holds[index] = std::make_shared<devlib::SensorHold>();
}

int removeFromTable(platform::Handle handle)
{
    const int index = slotHoldingHandle(handle);
    if (index < 0) return 0;
    closeSensor(index);
    for (int i = index; i + 1 < g_state.Count; ++i) {
        g_state.Slots[i] = g_state.Slots[i + 1];
        g_holds[i] = std::move(g_holds[i + 1]);
    }
    --g_state.Count;
    emptySlot(g_state.Slots[g_state.Count]);
    g_holds[g_state.Count] = std::make_shared<devlib::SensorHold>();
    return 1;
}

}  // namespace

tsLibState& LibState()
{
    return g_state;
}

namespace devlib {

Sensor currentSensor()
{
    const std::int16_t index = currentIndex();
    return {g_state.Slots[index], g_holds[index]};
}

tsDevSlot& currentSlot()
{
    return g_state.Slots[currentIndex()];
}

bool addToTable(const tsDevSlot& record)
{
    if (g_state.Count >= kMaxDevices) return false;
    g_state.Slots[g_state.Count] = record;
    g_holds[g_state.Count] = std::make_shared<SensorHold>();
    ++g_state.Count;
    return true;
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
    g_holds = freshHolds();
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
    for (int i = 0; i < g_state.Count; ++i) closeSensor(i);
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

void runOnThreadOf(std::int16_t index, const std::function<void(std::int16_t)>& operation)
{
    t_threadIndex = index;
    operation(index);
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
    for (const std::int16_t i : inTable) threads.emplace_back(runOnThreadOf, i, std::cref(operation));
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
    return currentIndex();
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
    if (t_threadIndex >= 0) return index == t_threadIndex ? 1 : 0;
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
    if (record) result = remove ? removeFromTable(record->Handle) : devlib::addToTable(*record);
    g_state.CurrentSlot = 0;
    return result;
}
