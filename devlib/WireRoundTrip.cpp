#include "WireRoundTrip.h"

#include "DevLibInternal.h"

void RoundTripBlocks(tsDevSlot& slot)
{
    using devlib::Half;
    for (Half half : {Half::Sonar, Half::WalkAway1, Half::WalkAway2, Half::WalkUp1, Half::WalkUp2,
                      Half::WalkAwayEx1, Half::WalkAwayEx2, Half::WalkUpEx1, Half::WalkUpEx2, Half::Idle})
        devlib::decodeHalf(half, devlib::encodeHalf(half, slot), slot);
}
