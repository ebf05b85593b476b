#include "config/SonarRules.h"

namespace sonar {

PingRateCorrection CorrectPingRate(std::uint32_t number)
{
    const std::uint32_t rate = HeldAt(number, kWordLimit);
    if (rate < kMinPingRate) return {kMinPingRate, kMinPingRateMessage};
    if (rate > kMaxPingRate) return {kMaxPingRate, kMaxPingRateMessage};
    return {static_cast<std::uint16_t>(rate), nullptr};
}

}  // namespace sonar
