#pragma once

// The dead-target delta: the sensor counts it in units of which 3.472 make an
// inch; the Sonar page shows and takes whole inches. Computed exactly as
// 434/125 so that every whole inch from 0 to 73 survives the round trip.

#include <cstdint>

namespace sonar {

// floor(3.472 * inches), held at 255, the most the sensor's byte carries.
constexpr std::uint8_t DeltaUnitsFromInches(std::uint32_t inches)
{
    const std::uint64_t units = std::uint64_t{inches} * 434 / 125;
    return units > 255 ? 255 : static_cast<std::uint8_t>(units);
}

// ceiling(units / 3.472).
constexpr std::uint32_t DeltaInchesFromUnits(std::uint16_t units)
{
    return (std::uint32_t{units} * 125 + 433) / 434;
}

// The units for inches given again for a delta the sensor holds as units: the
// same inches as it shows keep its units, which need not be a whole inch.
constexpr std::uint8_t DeltaUnitsKeeping(std::uint32_t inches, std::uint16_t heldUnits)
{
    if (heldUnits <= 255 && DeltaInchesFromUnits(heldUnits) == inches)
        return static_cast<std::uint8_t>(heldUnits);
    return DeltaUnitsFromInches(inches);
}

// The most inches the sensor's byte can hold (255 units show as 74).
inline constexpr std::uint32_t kMaxDeltaInches = DeltaInchesFromUnits(255);

}  // namespace sonar
