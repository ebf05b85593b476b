#include <algorithm>
#include <cmath>

#include "platform/sim/SimPlatform.h"

namespace sim {

namespace {

// Byte positions within the sonar half.
constexpr std::size_t kMinDistByte = 3;
constexpr std::size_t kMaxDistByte = 4;

// Firmware 4.00 to 4.09 leaves the factory with dead-target detection and
// the minimum-distance fault on.
std::uint8_t factoryIdleFlags(std::uint16_t fwVersion)
{
    return (fwVersion & 0xFFF0) == 0x0400 ? 0x03 : 0x00;
}

}  // namespace

void VirtualSensor::setTargetInches(double inches)
{
    const double raw = std::floor(inches * kUnitsPerInch + 0.5);
    TargetRaw = static_cast<std::uint8_t>(std::clamp(raw, 0.0, 255.0));
}

bool VirtualSensor::targetInRange() const
{
    const Half& sonar = Config[HalfId::Sonar];
    return TargetRaw >= sonar[kMinDistByte] && TargetRaw <= sonar[kMaxDistByte];
}

std::uint8_t commitBit(HalfId half)
{
    switch (half) {
        case HalfId::Sonar:
            return 0x01;
        case HalfId::WalkAway1:
        case HalfId::WalkAwayEx1:
            return 0x02;
        case HalfId::WalkAway2:
        case HalfId::WalkAwayEx2:
            return 0x04;
        case HalfId::WalkUp1:
        case HalfId::WalkUpEx1:
            return 0x08;
        case HalfId::WalkUp2:
        case HalfId::WalkUpEx2:
            return 0x10;
        case HalfId::Idle:
            return 0x20;
    }
    return 0;
}

SensorHalves factoryDefaults(std::uint16_t fwVersion)
{
    SensorHalves defaults;
    // LED flags, ping rate 500 ms in 4 ms steps, 40 kHz cycles, min 14 in,
    // max 42 in, out-of-range and in-range debounce, start delay.
    defaults[HalfId::Sonar] = {0x00, 125, 8, 49, 146, 5, 2, 0};
    // Key count, inter-key delay in 64 ms steps, then modifiers of keys 1 to 6:
    // one key, LGUI+L, locks the workstation.
    defaults[HalfId::WalkAway1] = {1, 2, 0x08, 0, 0, 0, 0, 0};
    // Flags, minimum-distance fault send rate, then codes of keys 1 to 6.
    defaults[HalfId::WalkAway2] = {0, 10, 0x0F, 0, 0, 0, 0, 0};
    defaults[HalfId::WalkUp1] = {0, 2, 0, 0, 0, 0, 0, 0};
    // Flags, reserved byte, then codes of keys 1 to 6.
    defaults[HalfId::WalkUp2] = {0, 0x5A, 0, 0, 0, 0, 0, 0};
    // The extension sets start empty (all zero).
    // Reserved, press rate, keep-alive key, flags, dead-target delta and time,
    // sonar drive blanking.
    defaults[HalfId::Idle] = {0x03, 0, 0, 0, factoryIdleFlags(fwVersion), 35, 60, 10};
    return defaults;
}

}  // namespace sim
