#pragma once

// One table of Sonar settings typed with values out of range, and what is
// kept: run through the Sonar page's widgets (tests/pages) and through
// tolvanectl set (tests/cli), so the page and the command line are held to
// the same limits and corrections.

#include <array>
#include <cstdint>
#include <ostream>

#include "resources/SonarControls.h"

namespace sonar_cases {

// A setting as tolvanectl names it and the page's edit that holds it.
struct Field {
    const char* Setting = nullptr;  // null: unused
    int Control = 0;
    const char* Text = nullptr;  // typed, or shown after the collect step
};

struct Case {
    const char* Label;
    std::uint16_t Firmware;
    std::array<Field, 2> Typed;
    std::array<Field, 2> Kept;
    // The page's message boxes in order, each said back by tolvanectl; null for none.
    std::array<const char*, 2> Messages;
};

// Failures name the row, not its bytes.
inline void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.Label;
}

inline constexpr const char* kMinPing = "The Minimum Ping Rate is 200msec!";
inline constexpr const char* kMaxPing = "The Maximum Ping Rate is 1020msec!";
inline constexpr const char* kMaxInRangeDelay = "The Maximum In-Range Detection Delay is 255 sec!";
inline constexpr const char* kMaxOutOfRangeDelay = "The Maximum Out-of-Range Detection Delay is 255 sec!";

inline constexpr Case kCases[] = {
    {"ping rate below 200",
     0x0405,
     {{{"ping-rate", sonar::PingRate, "150"}}},
     {{{"ping-rate", sonar::PingRate, "200"}}},
     {kMinPing}},
    {"ping rate above 1020",
     0x0405,
     {{{"ping-rate", sonar::PingRate, "2000"}}},
     {{{"ping-rate", sonar::PingRate, "1020"}}},
     {kMaxPing}},
    {"ping rate as typed",
     0x0405,
     {{{"ping-rate", sonar::PingRate, "1019"}}},
     {{{"ping-rate", sonar::PingRate, "1019"}}},
     {}},
    {"ping rate beyond 32 bits",
     0x0405,
     {{{"ping-rate", sonar::PingRate, "99999999999"}}},
     {{{"ping-rate", sonar::PingRate, "1020"}}},
     {kMaxPing}},
    {"distances 0 and 0",
     0x0405,
     {{{"min-distance", sonar::MinDist, "0"}, {"max-distance", sonar::MaxDist, "0"}}},
     {{{"min-distance", sonar::MinDist, "1"}, {"max-distance", sonar::MaxDist, "15"}}},
     {}},
    {"distances 30 and 30",
     0x0405,
     {{{"min-distance", sonar::MinDist, "30"}, {"max-distance", sonar::MaxDist, "30"}}},
     {{{"min-distance", sonar::MinDist, "30"}, {"max-distance", sonar::MaxDist, "31"}}},
     {}},
    {"distances 80 and 80",
     0x0405,
     {{{"min-distance", sonar::MinDist, "80"}, {"max-distance", sonar::MaxDist, "80"}}},
     {{{"min-distance", sonar::MinDist, "59"}, {"max-distance", sonar::MaxDist, "72"}}},
     {}},
    {"distances 70 and 20",
     0x0405,
     {{{"min-distance", sonar::MinDist, "70"}, {"max-distance", sonar::MaxDist, "20"}}},
     {{{"min-distance", sonar::MinDist, "59"}, {"max-distance", sonar::MaxDist, "60"}}},
     {}},
    {"distances 300 and 100",
     0x0405,
     {{{"min-distance", sonar::MinDist, "300"}, {"max-distance", sonar::MaxDist, "100"}}},
     {{{"min-distance", sonar::MinDist, "59"}, {"max-distance", sonar::MaxDist, "72"}}},
     {}},
    {"separate delays above 255",
     0x0405,
     {{{"in-range-delay", sonar::InRangeDelay, "300"},
       {"out-of-range-delay", sonar::OutOfRangeDelay, "256"}}},
     {{{"in-range-delay", sonar::InRangeDelay, "255"},
       {"out-of-range-delay", sonar::OutOfRangeDelay, "255"}}},
     {kMaxInRangeDelay, kMaxOutOfRangeDelay}},
    {"packed delays above 15",
     0x0142,
     {{{"in-range-delay", sonar::InRangeDelay, "300"}, {"out-of-range-delay", sonar::OutOfRangeDelay, "5"}}},
     {{{"in-range-delay", sonar::InRangeDelay, "15"}, {"out-of-range-delay", sonar::OutOfRangeDelay, "5"}}},
     {"The Maximum In-Range Detection Delay is 15 sec!"}},
    {"power-up delay above 255",
     0x0405,
     {{{"power-up-delay", sonar::PowerUpDelay, "256"}}},
     {{{"power-up-delay", sonar::PowerUpDelay, "255"}}},
     {"The Maximum Power-up Delay is 255 sec!"}},
    {"dead-target delta above 74 inches",
     0x0405,
     {{{"dead-target-delta", sonar::DeadTargetDelta, "80"}}},
     {{{"dead-target-delta", sonar::DeadTargetDelta, "74"}}},
     {"The Maximum Dead Target Delta Distance is 74 inches!"}},
    {"dead-target delta as typed",
     0x0405,
     {{{"dead-target-delta", sonar::DeadTargetDelta, "10"}}},
     {{{"dead-target-delta", sonar::DeadTargetDelta, "10"}}},
     {}},
    {"dead-target time above 255",
     0x0405,
     {{{"dead-target-time", sonar::DeadTargetTime, "300"}}},
     {{{"dead-target-time", sonar::DeadTargetTime, "255"}}},
     {"The Maximum Dead Target Time is 255 sec!"}},
};

}  // namespace sonar_cases
