// Holding a sensor for one operation at a time across programs, waiting for
// it while another program holds it, and noticing changes other programs made.

#include <algorithm>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

#include "DevLibInternal.h"

namespace {

using devlib::Sensor;
using devlib::SensorHold;

tsSensorWait g_wait;
// Threads working on different sensors at once each keep their own sensor's
// hold; the wait's words are told by one of them at a time.
std::mutex g_waitWordsMutex;
// The hold each begin of this thread took, innermost last, so each end
// releases the one its begin took (none for a begin on no sensor). A hold
// whose handle was closed meanwhile has nothing left to release. The list is
// reached through a plain pointer and freed as its last hold ends: a
// thread_local with a destructor is unsafe on a thread that ends, as with
// mingw-w64's emulated TLS the variable's memory is freed before its
// destructor runs, which then frees whatever that memory has come to hold.
using BegunHolds = std::vector<std::weak_ptr<SensorHold>>;
thread_local BegunHolds* t_begun = nullptr;
static_assert(std::is_trivially_destructible_v<decltype(t_begun)>);

void noteBegun(std::weak_ptr<SensorHold> hold)
{
    if (!t_begun) t_begun = new BegunHolds;
    t_begun->push_back(std::move(hold));
}

// The hold the innermost begin took, or none; the list goes with its last hold.
std::shared_ptr<SensorHold> takeInnermostBegun()
{
    if (!t_begun) return {};
    std::shared_ptr<SensorHold> hold = t_begun->back().lock();
    t_begun->pop_back();
    if (t_begun->empty()) {
        delete t_begun;
        t_begun = nullptr;
    }
    return hold;
}

void tellWaiting(const char* devicePath, std::uint32_t waitedMs)
{
    const std::lock_guard lock(g_waitWordsMutex);
    g_wait.Waiting(devicePath, waitedMs);
}

void tellWaitOver(const char* devicePath)
{
    const std::lock_guard lock(g_waitWordsMutex);
    g_wait.WaitOver(devicePath);
}

// Tries until the lock is taken, cannot be taken at all or the limit passes.
// A lock the platform cannot take at all is no reason to refuse the sensor:
// the operation goes ahead and its transfers say whether the sensor answers.
bool acquire(const Sensor& sensor, bool wait)
{
    const tsDevSlot& slot = sensor.Slot;
    platform::Platform& os = platform::current();
    platform::LockResult result = os.tryLock(slot.Handle);
    const std::uint64_t start = os.nowMs();
    bool told = false;
    while (wait && result == platform::LockResult::Held) {
        const std::uint64_t waited = os.nowMs() - start;
        if (waited >= g_wait.LimitMs) break;
        if (g_wait.Waiting) {
            tellWaiting(slot.DevicePath, static_cast<std::uint32_t>(waited));
            told = true;
        }
        os.sleepMs(static_cast<std::uint32_t>(
            std::min<std::uint64_t>(devlib::kSensorWaitPollMs, g_wait.LimitMs - waited)));
        result = os.tryLock(slot.Handle);
    }
    if (told && g_wait.WaitOver) tellWaitOver(slot.DevicePath);
    sensor.Hold->Locked = result == platform::LockResult::Acquired ? slot.Handle : platform::kInvalidHandle;
    return result != platform::LockResult::Held;
}

int begin(const Sensor& sensor, bool wait)
{
    if (sensor.Slot.Handle == platform::kInvalidHandle) {
        noteBegun({});
        return 1;
    }
    noteBegun(sensor.Hold);
    SensorHold& hold = *sensor.Hold;
    if (hold.Depth++ == 0) hold.Refused = !acquire(sensor, wait);
    if (!hold.Refused) return 1;
    sensor.Slot.Status |= kStatusSensorInUse;
    return 0;
}

void end(SensorHold& hold)
{
    if (--hold.Depth > 0) return;
    if (hold.Locked != platform::kInvalidHandle) platform::current().unlock(hold.Locked);
    hold.Locked = platform::kInvalidHandle;
    hold.Refused = false;
}

int changedElsewhere(const Sensor& sensor)
{
    const platform::Handle handle = sensor.Slot.Handle;
    if (handle == platform::kInvalidHandle) return 0;
    const std::uint64_t stamp = platform::current().changeStamp(handle);
    return stamp != 0 && stamp != sensor.Hold->KnownStamp ? 1 : 0;
}

}  // namespace

void SetSensorWait(tsSensorWait wait)
{
    g_wait = std::move(wait);
}

int BeginDevOperation()
{
    return begin(devlib::currentSensor(), true);
}

int TryBeginDevOperation()
{
    return begin(devlib::currentSensor(), false);
}

void EndDevOperation()
{
    if (const std::shared_ptr<SensorHold> hold = takeInnermostBegun()) end(*hold);
}

int DevChangedElsewhere()
{
    return changedElsewhere(devlib::currentSensor());
}

namespace devlib {

void noteConfigRead(const Sensor& sensor)
{
    const platform::Handle handle = sensor.Slot.Handle;
    if (handle != platform::kInvalidHandle) sensor.Hold->KnownStamp = platform::current().changeStamp(handle);
}

void noteConfigChanged(const Sensor& sensor)
{
    const platform::Handle handle = sensor.Slot.Handle;
    if (handle == platform::kInvalidHandle) return;
    platform::current().markChanged(handle);
    noteConfigRead(sensor);
}

}  // namespace devlib
