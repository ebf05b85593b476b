#include "config/SonarRules.h"

namespace sonar {

PingRateCorrection CorrectPingRate(std::uint32_t number)
{
    const std::uint32_t rate = HeldAt(number, kWordLimit);
    if (rate < kMinPingRate) return {kMinPingRate, kMinPingRateMessage};
    if (rate > kMaxPingRate) return {kMaxPingRate, kMaxPingRateMessage};
    return {static_cast<std::uint16_t>(rate), nullptr};
}

DetectionWindow CorrectDetectionWindow(std::uint32_t minInches, std::uint32_t maxInches)
{
    const std::uint32_t lo =
        std::clamp<std::uint32_t>(HeldAt(minInches, kByteLimit), kMinMinDist, kMaxMinDist);
    std::uint32_t hi = std::clamp<std::uint32_t>(HeldAt(maxInches, kByteLimit), kMinMaxDist, kMaxMaxDist);
    if (hi <= lo) hi = lo + 1;
    return {static_cast<std::uint16_t>(lo), static_cast<std::uint16_t>(hi)};
}

}  // namespace sonar
