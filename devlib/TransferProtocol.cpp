// The configuration transfer protocol: report exchanges, the complete read of
// a sensor's blocks and info, and the write of the changed blocks with their
// commit.

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "DevLibInternal.h"

namespace devlib {

bool sendCommandReport(std::uint8_t command, std::uint8_t sub)
{
    Report report{};
    report[1] = command;
    report[2] = sub;
    return SetFeatureRpt(report.data());
}

bool readExchange(std::uint8_t command, std::uint8_t sub, Payload& data)
{
    if (!sendCommandReport(command, sub)) return false;
    platform::current().sleepMs(kExchangeWaitMs);
    Report report{};
    if (!GetFeatureRpt(report.data())) return false;
    std::copy(report.begin() + 1, report.end(), data.begin());
    return true;
}

bool writeExchange(std::uint8_t command, std::uint8_t sub, const Payload& data)
{
    if (!sendCommandReport(command, sub)) return false;
    platform::current().sleepMs(kExchangeWaitMs);
    Report report{};
    std::copy(data.begin(), data.end(), report.begin() + 1);
    return SetFeatureRpt(report.data());
}

}  // namespace devlib

namespace {

using devlib::Half;
using devlib::Payload;

constexpr std::initializer_list<Half> kBaseSequenceHalves = {Half::Sonar, Half::WalkAway1, Half::WalkAway2,
                                                             Half::WalkUp1, Half::WalkUp2};
constexpr std::initializer_list<Half> kExtensionHalves = {Half::WalkAwayEx1, Half::WalkAwayEx2,
                                                          Half::WalkUpEx1, Half::WalkUpEx2};

bool readHalf(Half half, tsDevSlot& slot)
{
    const devlib::HalfCommand command = devlib::commandOf(half);
    Payload data{};
    if (!devlib::readExchange(command.Command, command.Sub, data)) return false;
    devlib::decodeHalf(half, data, slot);
    return true;
}

// Sends one half and adds its bit to the commit mask.
bool writeHalf(Half half, const tsDevSlot& slot, std::uint8_t& mask)
{
    const devlib::HalfCommand command = devlib::commandOf(half);
    if (!devlib::writeExchange(command.Command, command.Sub, devlib::encodeHalf(half, slot))) return false;
    mask |= command.CommitBit;
    return true;
}

int failWith(tsDevSlot& slot, std::uint32_t code)
{
    slot.Status |= code;
    return 0;
}

// A sensor can report a key count of 8 to 15 for an extension set it never
// had programmed; the library would refuse to store such a set again, so a
// count read above 7 means no keys, as a base block's count above 6 does.
void keepExtensionKeyCount(Half half, tsDevSlot& slot)
{
    std::uint16_t* count = half == Half::WalkAwayEx1 ? &slot.WalkAwayEx[KeyCountWAEx]
                           : half == Half::WalkUpEx1 ? &slot.WalkUpEx[KeyCountWUEx]
                                                     : nullptr;
    if (count && *count > kMaxKeyCountEx) *count = 0;
}

// A sensor may refuse the extension sets: the first failure is noted and the
// remaining extension halves are skipped; the halves read so far stay.
void readExtensionSets(tsDevSlot& slot)
{
    for (Half half : kExtensionHalves) {
        if (!readHalf(half, slot)) {
            slot.Status |= kStatusReadConfigFailed;
            slot.ExtensionSetsRefused = 1;
            return;
        }
        keepExtensionKeyCount(half, slot);
    }
}

// The extension halves with the change mark of the set each belongs to.
constexpr std::pair<Half, std::uint32_t tsDevSlot::*> kExtensionWrites[] = {
    {Half::WalkAwayEx1, &tsDevSlot::DirtyWalkAwayEx},
    {Half::WalkAwayEx2, &tsDevSlot::DirtyWalkAwayEx},
    {Half::WalkUpEx1, &tsDevSlot::DirtyWalkUpEx},
    {Half::WalkUpEx2, &tsDevSlot::DirtyWalkUpEx},
};

// The first failure is noted and every remaining extension half, of either
// set, is skipped.
void writeExtensionSets(tsDevSlot& slot, std::uint8_t& mask)
{
    for (const auto& [half, changeMark] : kExtensionWrites) {
        if (slot.*changeMark && !writeHalf(half, slot, mask)) {
            slot.Status |= kStatusWriteConfigFailed;
            return;
        }
    }
}

template <class Block>
void sanitiseSequence(Block& block)
{
    if (block[0] > kMaxKeyCount) block[0] = 0;
    if (block[1] < kMinInterKeyDelay) block[1] = kMinInterKeyDelay;
    if (block[1] > kMaxInterKeyDelay) block[1] = kMaxInterKeyDelay;
}

void sanitise(tsDevSlot& slot)
{
    ClampSonarParms(&slot.Sonar);
    sanitiseSequence(slot.WalkAway);
    sanitiseSequence(slot.WalkUp);
}

void clearChangeMarks(tsDevSlot& slot)
{
    slot.DirtySonar = slot.DirtyWalkAway = slot.DirtyWalkUp = 0;
    slot.DirtyWalkAwayEx = slot.DirtyWalkUpEx = slot.DirtyIdle = 0;
}

bool writeBaseBlocks(tsDevSlot& slot, std::uint8_t& mask)
{
    if (slot.DirtySonar && !writeHalf(Half::Sonar, slot, mask)) return false;
    if (slot.DirtyWalkAway &&
        !(writeHalf(Half::WalkAway1, slot, mask) && writeHalf(Half::WalkAway2, slot, mask))) {
        return false;
    }
    if (slot.DirtyWalkUp && !(writeHalf(Half::WalkUp1, slot, mask) && writeHalf(Half::WalkUp2, slot, mask))) {
        return false;
    }
    return true;
}

// Compares as signed 16-bit numbers, so a word that reads as negative is raised to low.
std::uint16_t clamped(std::uint16_t word, std::uint16_t low, std::uint16_t high)
{
    const auto value = static_cast<std::int16_t>(word);
    if (value < static_cast<std::int16_t>(low)) return low;
    if (value > static_cast<std::int16_t>(high)) return high;
    return word;
}

}  // namespace

int ReadDevConfig()
{
    const devlib::Sensor sensor = devlib::currentSensor();
    tsDevSlot& slot = sensor.Slot;
    slot.Status = kStatusSuccess;
    slot.ExtensionSetsRefused = 0;
    const DevOperation hold;
    if (!hold.held()) return failWith(slot, kStatusReadConfigFailed);
    for (Half half : kBaseSequenceHalves) {
        if (!readHalf(half, slot)) return failWith(slot, kStatusReadConfigFailed);
    }
    readExtensionSets(slot);
    if (!readHalf(Half::Idle, slot)) return failWith(slot, kStatusReadConfigFailed);

    sanitise(slot);
    slot.Valid = 1;
    clearChangeMarks(slot);

    Payload info{};
    if (!devlib::readExchange(devlib::kInfoCommand, 0, info)) return failWith(slot, kStatusReadConfigFailed);
    devlib::decodeInfo(info, slot);
    slot.LuidDirty = 0;
    devlib::noteConfigRead(sensor);
    return 1;
}

int ReadDevInfo()
{
    tsDevSlot& slot = devlib::currentSlot();
    slot.Status = kStatusSuccess;
    const DevOperation hold;
    if (!hold.held()) return failWith(slot, kStatusReadConfigFailed);
    Payload info{};
    if (!devlib::readExchange(devlib::kInfoCommand, 0, info)) return failWith(slot, kStatusReadConfigFailed);
    devlib::decodeInfo(info, slot);
    return 1;
}

int WriteDevConfig()
{
    const devlib::Sensor sensor = devlib::currentSensor();
    tsDevSlot& slot = sensor.Slot;
    slot.Status = kStatusSuccess;
    const DevOperation hold;
    if (!hold.held()) return failWith(slot, kStatusWriteConfigFailed);
    std::uint8_t mask = 0;
    if (!writeBaseBlocks(slot, mask)) return failWith(slot, kStatusWriteConfigFailed);
    writeExtensionSets(slot, mask);
    if (slot.DirtyIdle && !writeHalf(Half::Idle, slot, mask)) return failWith(slot, kStatusWriteConfigFailed);
    if (!devlib::sendCommandReport(devlib::kCommitCommand, mask))
        return failWith(slot, kStatusWriteConfigFailed);
    devlib::noteConfigChanged(sensor);
    clearChangeMarks(slot);

    if (slot.LuidDirty) {
        if (!devlib::writeExchange(devlib::kInfoCommand, 0, devlib::encodeLuid(slot.Luid))) {
            return failWith(slot, kStatusWriteConfigFailed);
        }
        slot.LuidDirty = 0;
    }
    return 1;
}

void ClampSonarParms(tsSonarParms* sonar)
{
    if (!sonar) return;
    tsSonarParms& s = *sonar;
    s[PingRateS] = clamped(s[PingRateS], kMinPingRate, kMaxPingRate);
    s[MinDistS] = clamped(s[MinDistS], kMinMinDist, kMaxMinDist);
    s[MaxDistS] = clamped(s[MaxDistS], kMinMaxDist, kMaxMaxDist);
}
