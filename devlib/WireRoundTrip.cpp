#include "WireRoundTrip.h"

#include "DevLibInternal.h"

void RoundTripBlocks(tsDevSlot& slot)
{
    using devlib::Half;
    // Decoding notes the reserved bytes as last read; a round trip is no read.
    const std::uint8_t reservedWU = LibState().LastReservedWU;
    const std::uint8_t reservedI = LibState().LastReservedI;
    for (Half half : {Half::Sonar, Half::WalkAway1, Half::WalkAway2, Half::WalkUp1, Half::WalkUp2,
                      Half::WalkAwayEx1, Half::WalkAwayEx2, Half::WalkUpEx1, Half::WalkUpEx2, Half::Idle})
        devlib::decodeHalf(half, devlib::encodeHalf(half, slot), slot);
    LibState().LastReservedWU = reservedWU;
    LibState().LastReservedI = reservedI;
}
