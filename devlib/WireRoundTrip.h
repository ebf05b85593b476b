#pragma once

// What a sensor holds once blocks are written and read back: each half
// passes through a write's payload mapping and a read's (ping rate in 4 ms
// steps, inter-key delay in 64 ms steps, distances in sensor units, key counts
// in four bits, the reserved bytes as last read). Nothing is sent; a program
// compares a read-back against this rather than against what it stored.

#include "DevLib.h"

// The blocks of slot replaced by what the sensor would give back for them.
void RoundTripBlocks(tsDevSlot& slot);
