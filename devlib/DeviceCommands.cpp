// Opening the sensors, the sensor's own commands (key sends, factory reset,
// user defaults), the range readout and the LUID and firmware accessors.

#include <algorithm>
#include <numeric>
#include <vector>

#include "DevLibInternal.h"

namespace {

constexpr std::uint8_t kRangeCommand = 0x8F;
constexpr std::uint8_t kFactoryResetCommand = 0xA0;
constexpr std::uint8_t kHaltKeySendsCommand = 0xB1;
constexpr std::uint8_t kResumeKeySendsCommand = 0xB0;
constexpr std::uint8_t kRestoreUserDefaultsCommand = 0xD0;
constexpr std::uint8_t kSaveUserDefaultsCommand = 0xE0;

// Firmware 4.00 to 4.09 comes back from a factory reset with dead-target
// detection and the minimum-distance fault switched on.
bool needsFactoryResetRepair(std::uint16_t fwVersion)
{
    return (fwVersion & 0xFFF0) == 0x0400;
}

int failWith(tsDevSlot& slot, std::uint32_t code)
{
    slot.Status |= code;
    return 0;
}

// Sends a stored-configuration command, gives the sensor its time and reads
// the configuration it ends with.
int runStoredConfigCommand(std::uint8_t command)
{
    const devlib::Sensor sensor = devlib::currentSensor();
    tsDevSlot& slot = sensor.Slot;
    slot.Status = kStatusSuccess;
    const DevOperation hold;
    if (!hold.held()) return failWith(slot, kStatusDeviceCommandFailed);
    if (!devlib::sendCommandReport(command)) return failWith(slot, kStatusDeviceCommandFailed);
    if (command != kSaveUserDefaultsCommand) devlib::noteConfigChanged(sensor);
    platform::current().sleepMs(devlib::kDeviceCommandWaitMs);
    return ReadDevConfig();
}

int repairFactoryDefaults()
{
    tsDevSlot& slot = devlib::currentSlot();
    slot.Idle[FlagsI] = 0;
    slot.DirtyIdle = 1;
    return WriteDevConfig() && ReadDevConfig();
}

// Reads every sensor at once: a failing sensor stays in the table and hides
// none of the others. The first sensor in the table read completely becomes
// current; without one, slot 0 does and the result is 0.
int readEverySensor(const SensorReadEnded& readEnded)
{
    std::vector<std::int16_t> every(static_cast<std::size_t>(GetDevCount()));
    std::iota(every.begin(), every.end(), std::int16_t{0});
    const std::int16_t firstRead = ReadSensorsAtOnce(every, readEnded);
    SelectDev(firstRead < 0 ? 0 : firstRead);
    return firstRead < 0 ? 0 : 1;
}

}  // namespace

std::int16_t ReadSensorsAtOnce(const std::vector<std::int16_t>& indices, const SensorReadEnded& readEnded)
{
    std::vector<int> read(indices.size(), 0);
    RunOnSensors(indices, [&](std::int16_t index) {
        const auto position = static_cast<std::size_t>(std::ranges::find(indices, index) - indices.begin());
        read[position] = ReadDevConfig();
        if (readEnded) readEnded(index, read[position]);
    });
    std::int16_t firstRead = -1;
    for (std::size_t i = 0; i < indices.size(); ++i)
        if (read[i] && (firstRead < 0 || indices[i] < firstRead)) firstRead = indices[i];
    return firstRead;
}

int OpenSensors(std::uint32_t* firmwareVersion, const SensorReadEnded& readEnded)
{
    if (GetDevCount() != 0) return 0;
    EnumSensors();
    if (GetDevCount() == 0) return 0;
    if (!readEverySensor(readEnded)) return 0;
    if (firmwareVersion) *firmwareVersion = GetDevFwVersion();
    return 1;
}

int HaltKeySends(int halt)
{
    const DevOperation hold;
    if (!hold.held()) return failWith(devlib::currentSlot(), kStatusDeviceCommandFailed);
    return devlib::sendCommandReport(halt ? kHaltKeySendsCommand : kResumeKeySendsCommand);
}

int ResetDevToFactory()
{
    const DevOperation hold;
    if (!runStoredConfigCommand(kFactoryResetCommand)) return 0;
    if (needsFactoryResetRepair(devlib::currentSlot().FwVersion)) return repairFactoryDefaults();
    return 1;
}

int RestoreDevUserDefaults()
{
    return runStoredConfigCommand(kRestoreUserDefaultsCommand);
}

int SaveDevUserDefaults()
{
    return runStoredConfigCommand(kSaveUserDefaultsCommand);
}

int GetRangeInfo(tsRangeInfo* info)
{
    tsDevSlot& slot = devlib::currentSlot();
    slot.Status = kStatusSuccess;
    const DevOperation hold;
    devlib::Payload answer{};
    if (!info || !hold.held() || !devlib::readExchange(kRangeCommand, 0, answer))
        return failWith(slot, kStatusRangeFailed);
    const std::uint8_t flags = answer[0];
    info->Distance = devlib::sensorUnitsToInches(answer[1]);
    info->InRange = flags & 0x01;
    info->Flag1 = (flags >> 1) & 0x01;
    info->Flag2 = (flags >> 2) & 0x01;
    info->RangeFlags = flags;
    return 1;
}

std::uint16_t GetDevLuid()
{
    return devlib::currentSlot().Luid;
}

int SetDevLuid(std::uint16_t luid)
{
    tsDevSlot& slot = devlib::currentSlot();
    slot.Luid = luid;
    slot.LuidDirty = 1;
    return 1;
}

std::uint16_t GetDevFwVersion()
{
    return devlib::currentSlot().FwVersion;
}
