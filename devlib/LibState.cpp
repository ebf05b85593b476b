// The library's state record, its version and the table of open sensors.

#include <cstring>

#include "DevLibInternal.h"

namespace {

tsLibState g_state{};

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
    return g_state.Slots[g_state.CurrentSlot];
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

int SelectDev(std::int16_t index)
{
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
