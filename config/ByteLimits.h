#pragma once

// Numbers the sensor carries in one byte (the packed detection delays of older
// firmware in four bits): a typed number above the limit is held at it, never
// wrapped into a plausible smaller value, and the user is told. The pages show
// the message in a box; tolvanectl says it back beside the correction.

#include <cstdint>
#include <string>

namespace limits {

// A one-byte number as the user sees it: the label of its edit and its unit.
struct ByteNumber {
    const char* Label;
    const char* Unit;
};

inline constexpr ByteNumber kInRangeDelay{"In-Range Detection Delay", "sec"};
inline constexpr ByteNumber kOutOfRangeDelay{"Out-of-Range Detection Delay", "sec"};
inline constexpr ByteNumber kPowerUpDelay{"Power-up Delay", "sec"};
inline constexpr ByteNumber kDeadTargetDelta{"Dead Target Delta Distance", "inches"};
inline constexpr ByteNumber kDeadTargetTime{"Dead Target Time", "sec"};
inline constexpr ByteNumber kFaultSendRate{"MinDist Fault Send Rate", "sec"};

inline constexpr std::uint32_t kMaxFaultSendRate = 255;

inline constexpr const char* kEntryErrorCaption = "Entry Error";

// The number kept, and the message when it was held at the limit (empty when
// it was taken as typed).
struct HeldNumber {
    std::uint32_t Value;
    std::string Message;
};

// "The Maximum Power-up Delay is 255 sec!" for a number above limit.
HeldNumber HoldAtLimit(std::uint32_t number, std::uint32_t limit, const ByteNumber& what);

}  // namespace limits
