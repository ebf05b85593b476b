// Fetching blocks out of the current slot and storing validated blocks into
// it. A store marks the block changed; nothing reaches the sensor until
// WriteDevConfig.

#include "DevLibInternal.h"

namespace {

using namespace devlib;

constexpr std::uint32_t kNoFault = 0;

bool within(std::uint16_t value, std::uint16_t low, std::uint16_t high)
{
    return value >= low && value <= high;
}

template <class Block>
int fetchBlock(const Block& held, Block* dest)
{
    tsDevSlot& slot = devlib::currentSlot();
    slot.Status = kStatusFetch;
    if (!dest) {
        slot.Status = kStatusFetchNoDestination;
        return 0;
    }
    if (!slot.Valid) {
        slot.Status = kStatusFetchNotValid;
        return 0;
    }
    *dest = held;
    slot.Status = kStatusSuccess;
    return 1;
}

// firstFault gives the code of the first test the block fails, or kNoFault.
template <class Block>
int storeBlock(const Block* source, Block& held, std::uint32_t& changeMark,
               std::uint32_t (*firstFault)(const Block&))
{
    tsDevSlot& slot = devlib::currentSlot();
    slot.Status = kStatusStore;
    if (!source) {
        slot.Status = kStatusStoreNoSource;
        return 0;
    }
    if (const std::uint32_t fault = firstFault(*source); fault != kNoFault) {
        slot.Status |= fault;
        return 0;
    }
    held = *source;
    changeMark = 1;
    slot.Status = kStatusSuccess;
    return 1;
}

std::uint32_t sonarFault(const tsSonarParms& sonar)
{
    if (!within(sonar[PingRateS], kMinPingRate, kMaxPingRate)) return kStatusBadPingRate;
    if (!within(sonar[MinDistS], kMinMinDist, kMaxMinDist)) return kStatusBadMinDist;
    if (!within(sonar[MaxDistS], kMinMaxDist, kMaxMaxDist)) return kStatusBadMaxDist;
    return kNoFault;
}

// Key counts compare unsigned: a word that reads as negative is no key count.
std::uint32_t walkAwayFault(const tsWalkAwayParms& walkAway)
{
    if (walkAway[KeyCountWA] > kMaxKeyCount) return kStatusBadWalkAwayKeyCount;
    if (!within(walkAway[InterKeyDelayWA], kMinInterKeyDelay, kMaxInterKeyDelay))
        return kStatusBadWalkAwayDelay;
    return kNoFault;
}

std::uint32_t walkUpFault(const tsWalkUpParms& walkUp)
{
    if (walkUp[KeyCountWU] > kMaxKeyCount) return kStatusBadWalkUpKeyCount;
    if (!within(walkUp[InterKeyDelayWU], kMinInterKeyDelay, kMaxInterKeyDelay)) return kStatusBadWalkUpDelay;
    return kNoFault;
}

std::uint32_t walkAwayExFault(const tsWalkAwayParmsEx& walkAwayEx)
{
    return walkAwayEx[KeyCountWAEx] > kMaxKeyCountEx ? kStatusBadWalkAwayKeyCount : kNoFault;
}

std::uint32_t walkUpExFault(const tsWalkUpParmsEx& walkUpEx)
{
    return walkUpEx[KeyCountWUEx] > kMaxKeyCountEx ? kStatusBadWalkUpKeyCount : kNoFault;
}

std::uint32_t idleFault(const tsIdleParms&)
{
    return kNoFault;
}

}  // namespace

int GetSonarParms(tsSonarParms* dest)
{
    return fetchBlock(devlib::currentSlot().Sonar, dest);
}

int GetWalkAwayParms(tsWalkAwayParms* dest)
{
    return fetchBlock(devlib::currentSlot().WalkAway, dest);
}

int GetWalkUpParms(tsWalkUpParms* dest)
{
    return fetchBlock(devlib::currentSlot().WalkUp, dest);
}

int GetWalkAwayParmsEx(tsWalkAwayParmsEx* dest)
{
    return fetchBlock(devlib::currentSlot().WalkAwayEx, dest);
}

int GetWalkUpParmsEx(tsWalkUpParmsEx* dest)
{
    return fetchBlock(devlib::currentSlot().WalkUpEx, dest);
}

int GetIdleParms(tsIdleParms* dest)
{
    return fetchBlock(devlib::currentSlot().Idle, dest);
}

int SetSonarParms(const tsSonarParms* source)
{
    tsDevSlot& slot = devlib::currentSlot();
    return storeBlock(source, slot.Sonar, slot.DirtySonar, sonarFault);
}

int SetWalkAwayParms(const tsWalkAwayParms* source)
{
    tsDevSlot& slot = devlib::currentSlot();
    return storeBlock(source, slot.WalkAway, slot.DirtyWalkAway, walkAwayFault);
}

int SetWalkUpParms(const tsWalkUpParms* source)
{
    tsDevSlot& slot = devlib::currentSlot();
    return storeBlock(source, slot.WalkUp, slot.DirtyWalkUp, walkUpFault);
}

int SetWalkAwayParmsEx(const tsWalkAwayParmsEx* source)
{
    tsDevSlot& slot = devlib::currentSlot();
    return storeBlock(source, slot.WalkAwayEx, slot.DirtyWalkAwayEx, walkAwayExFault);
}

int SetWalkUpParmsEx(const tsWalkUpParmsEx* source)
{
    tsDevSlot& slot = devlib::currentSlot();
    return storeBlock(source, slot.WalkUpEx, slot.DirtyWalkUpEx, walkUpExFault);
}

int SetIdleParms(const tsIdleParms* source)
{
    tsDevSlot& slot = devlib::currentSlot();
    return storeBlock(source, slot.Idle, slot.DirtyIdle, idleFault);
}
