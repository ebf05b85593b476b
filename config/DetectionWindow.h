#pragma once

// The detection window of the sonar block in whole inches, and the rule that
// turns the two typed distances into a window the sensor accepts.

#include <algorithm>
#include <cstdint>

#include "devlib/ParameterBlocks.h"

struct DetectionWindow {
    std::uint32_t MinInches = 0;
    std::uint32_t MaxInches = 0;
    friend bool operator==(const DetectionWindow&, const DetectionWindow&) = default;
};

// Each distance held within what the sensor accepts, the maximum above the minimum.
inline DetectionWindow LimitedDetectionWindow(std::uint32_t typedMin, std::uint32_t typedMax)
{
    const std::uint32_t lo = std::clamp<std::uint32_t>(typedMin, kMinMinDist, kMaxMinDist);
    const std::uint32_t hi = std::clamp<std::uint32_t>(typedMax, kMinMaxDist, kMaxMaxDist);
    return {lo, hi <= lo ? lo + 1 : hi};
}
