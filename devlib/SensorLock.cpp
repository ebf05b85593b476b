// Holding a sensor for one operation at a time across programs, waiting for
// it while another program holds it, and noticing changes other programs made.

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "DevLibInternal.h"

namespace {

struct Hold {
    int Depth = 0;
    bool Locked = false;           // this program has the platform's lock
    bool Refused = false;          // the outermost begin gave up; the nested ones fail at once
    std::uint64_t KnownStamp = 0;  // the change stamp as this program last saw it
};

tsSensorWait g_wait;
// Threads working on different sensors at once each keep their sensor's
// hold; the map they share is guarded, and so are the wait's words.
std::mutex g_holdsMutex;
std::map<platform::Handle, Hold> g_holds;
std::mutex g_waitWordsMutex;
// The handle each begin of this thread was made on, so each end releases the one its begin took.
thread_local std::vector<platform::Handle> t_begun;

Hold& holdOf(platform::Handle handle)
{
    const std::lock_guard lock(g_holdsMutex);
    return g_holds[handle];
}

void tellWaiting(const char* devicePath, std::uint32_t waitedMs)
{
    const std::lock_guard lock(g_waitWordsMutex);
    g_wait.Waiting(devicePath, waitedMs);
}

void tellWaitOver()
{
    const std::lock_guard lock(g_waitWordsMutex);
    g_wait.WaitOver();
}

// Tries until the lock is taken, cannot be taken at all or the limit passes.
// A lock the platform cannot take at all is no reason to refuse the sensor:
// the operation goes ahead and its transfers say whether the sensor answers.
bool acquire(Hold& hold, const tsDevSlot& slot, bool wait)
{
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
    if (told && g_wait.WaitOver) tellWaitOver();
    hold.Locked = result == platform::LockResult::Acquired;
    return result != platform::LockResult::Held;
}

int begin(bool wait)
{
    tsDevSlot& slot = devlib::currentSlot();
    t_begun.push_back(slot.Handle);
    if (slot.Handle == platform::kInvalidHandle) return 1;
    Hold& hold = holdOf(slot.Handle);
    if (hold.Depth++ == 0) hold.Refused = !acquire(hold, slot, wait);
    if (!hold.Refused) return 1;
    slot.Status |= kStatusSensorInUse;
    return 0;
}

}  // namespace

void SetSensorWait(tsSensorWait wait)
{
    g_wait = std::move(wait);
}

int BeginDevOperation()
{
    return begin(true);
}

int TryBeginDevOperation()
{
    return begin(false);
}

void EndDevOperation()
{
    if (t_begun.empty()) return;
    const platform::Handle handle = t_begun.back();
    t_begun.pop_back();
    if (handle == platform::kInvalidHandle) return;
    Hold& hold = holdOf(handle);
    if (--hold.Depth > 0) return;
    if (hold.Locked) platform::current().unlock(handle);
    hold.Locked = hold.Refused = false;
}

int DevChangedElsewhere()
{
    const platform::Handle handle = devlib::currentSlot().Handle;
    if (handle == platform::kInvalidHandle) return 0;
    const std::uint64_t stamp = platform::current().changeStamp(handle);
    return stamp != 0 && stamp != holdOf(handle).KnownStamp ? 1 : 0;
}

namespace devlib {

void noteConfigRead()
{
    const platform::Handle handle = currentSlot().Handle;
    if (handle != platform::kInvalidHandle)
        holdOf(handle).KnownStamp = platform::current().changeStamp(handle);
}

void noteConfigChanged()
{
    const platform::Handle handle = currentSlot().Handle;
    if (handle == platform::kInvalidHandle) return;
    platform::current().markChanged(handle);
    noteConfigRead();
}

void forgetHandle(platform::Handle handle)
{
    const std::lock_guard lock(g_holdsMutex);
    g_holds.erase(handle);
}

}  // namespace devlib
