#pragma once

// One range reading as the user reads it, and the rules of taking readings:
// the firmware that answers them and the shortest period between them.

#include <cstdint>
#include <string>

#include "devlib/DevLib.h"

// Firmware from which the sensor answers the range readout.
inline constexpr std::int32_t kRangeReadoutFw = 0x0144;
inline constexpr std::uint32_t kMinRangeRateMs = 100;

inline constexpr const char* kRangeUnsupportedMessage = "The firmware version does not support this Feature.";
inline constexpr const char* kRangeRateMessage = "Time in msec must be >= 100";

// "InRange: 30 inches, 01" or "NOT InRange: 30 inches, 06": the distance and
// the raw flag byte in two hexadecimal digits.
std::string RangeText(const tsRangeInfo& reading);
