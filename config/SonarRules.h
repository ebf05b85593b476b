#pragma once

// The Sonar page's rules for the values it edits: which firmware keeps the two
// detection delays apart, the limits of each number, and the corrections made
// to numbers outside them. Every program that edits these values takes them
// from here.

#include <algorithm>
#include <cstdint>

#include "devlib/ParameterBlocks.h"

namespace sonar {

// Firmware from which the two detection delays are separate bytes and the LED
// indicators can be switched.
inline constexpr std::int32_t kSeparateDelaysFw = 0x0143;

inline constexpr std::uint32_t kByteLimit = 255;
inline constexpr std::uint32_t kWordLimit = 65535;
// Each delay of the packed byte of older firmware.
inline constexpr std::uint32_t kPackedDelayLimit = 15;

// LEDFlagsS: set bits switch an indicator off.
inline constexpr std::uint16_t kLedInRangeBit = 1u << 0;
inline constexpr std::uint16_t kLedOutOfRangeBit = 1u << 1;
inline constexpr std::uint16_t kLedTransitionBit = 1u << 2;
inline constexpr std::uint16_t kLedFlagsMask = 0x7F;
// FlagsI.
inline constexpr std::uint16_t kDetectDeadTargetBit = 1u << 0;
inline constexpr std::uint16_t kMinDistFaultBit = 1u << 1;
// Flags0WA (out-of-range delay) and Flags0WU (in-range delay): minutes, not seconds.
inline constexpr std::uint16_t kMinutesBit = 1u << 0;

inline constexpr const char* kPingRateErrorCaption = "Ping Rate Error";
inline constexpr const char* kMinPingRateMessage = "The Minimum Ping Rate is 200msec!";
inline constexpr const char* kMaxPingRateMessage = "The Maximum Ping Rate is 1020msec!";

constexpr bool SeparateDelays(std::int32_t deviceFw)
{
    return deviceFw >= kSeparateDelaysFw;
}

// A number held at a limit, never wrapped.
constexpr std::uint32_t HeldAt(std::uint32_t number, std::uint32_t limit)
{
    return std::min(number, limit);
}

constexpr void SetBits(std::uint16_t& word, std::uint16_t bits, bool on)
{
    word = on ? (word | bits) : (word & ~bits);
}

// A ping rate outside 200 to 1020 ms becomes the nearer limit, with the
// message that says so; Message is null for a rate taken as given.
struct PingRateCorrection {
    std::uint16_t Rate;
    const char* Message;
};
PingRateCorrection CorrectPingRate(std::uint32_t number);

}  // namespace sonar
