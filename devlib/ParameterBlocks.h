#pragma once

// The sensor's six parameter blocks: plain arrays of 16-bit words, copied
// whole between the library, the model, the template file and the pages.
// The word names are the field names printed in the template file.

#include <cstddef>
#include <cstdint>

template <std::size_t N, int Tag>
struct WordBlock {
    static constexpr std::size_t kWords = N;
    std::uint16_t Words[N];

    std::uint16_t& operator[](std::size_t i) { return Words[i]; }
    const std::uint16_t& operator[](std::size_t i) const { return Words[i]; }
    friend bool operator==(const WordBlock&, const WordBlock&) = default;
};

using tsSonarParms = WordBlock<8, 0>;
using tsWalkAwayParms = WordBlock<16, 1>;
using tsWalkUpParms = WordBlock<16, 2>;
using tsWalkAwayParmsEx = WordBlock<16, 3>;
using tsWalkUpParmsEx = WordBlock<16, 4>;
using tsIdleParms = WordBlock<8, 5>;

// What a stored block must hold, and what a read block is forced into.
inline constexpr std::uint16_t kMinPingRate = 200;
inline constexpr std::uint16_t kMaxPingRate = 1020;
inline constexpr std::uint16_t kMinMinDist = 1;
inline constexpr std::uint16_t kMaxMinDist = 59;
inline constexpr std::uint16_t kMinMaxDist = 15;
inline constexpr std::uint16_t kMaxMaxDist = 72;
inline constexpr std::uint16_t kMaxKeyCount = 6;
inline constexpr std::uint16_t kMaxKeyCountEx = 7;
inline constexpr std::uint16_t kMinInterKeyDelay = 64;
inline constexpr std::uint16_t kMaxInterKeyDelay = 16320;

static_assert(sizeof(tsSonarParms) == 16);
static_assert(sizeof(tsWalkAwayParms) == 32);
static_assert(sizeof(tsWalkUpParms) == 32);
static_assert(sizeof(tsWalkAwayParmsEx) == 32);
static_assert(sizeof(tsWalkUpParmsEx) == 32);
static_assert(sizeof(tsIdleParms) == 16);

enum SonarWord : std::size_t {
    LEDFlagsS,
    PingRateS,
    Reserved1S,
    MinDistS,
    MaxDistS,
    ORDBTmS,
    IRDBTmS,
    StartDlyS,
};

enum WalkAwayWord : std::size_t {
    KeyCountWA,
    InterKeyDelayWA,
    Key1ModsWA,
    Key2ModsWA,
    Key3ModsWA,
    Key4ModsWA,
    Key5ModsWA,
    Key6ModsWA,
    Flags0WA,
    MinFltRepRate,
    Key1CodeWA,
    Key2CodeWA,
    Key3CodeWA,
    Key4CodeWA,
    Key5CodeWA,
    Key6CodeWA,
};

enum WalkUpWord : std::size_t {
    KeyCountWU,
    InterKeyDelayWU,
    Key1ModsWU,
    Key2ModsWU,
    Key3ModsWU,
    Key4ModsWU,
    Key5ModsWU,
    Key6ModsWU,
    Flags0WU,
    Reserved2WU,
    Key1CodeWU,
    Key2CodeWU,
    Key3CodeWU,
    Key4CodeWU,
    Key5CodeWU,
    Key6CodeWU,
};

enum WalkAwayExWord : std::size_t {
    KeyCountWAEx,
    Key1ModsWAEx,
    Key2ModsWAEx,
    Key3ModsWAEx,
    Key4ModsWAEx,
    Key5ModsWAEx,
    Key6ModsWAEx,
    Key7ModsWAEx,
    Flags0WAEx,
    Key1CodeWAEx,
    Key2CodeWAEx,
    Key3CodeWAEx,
    Key4CodeWAEx,
    Key5CodeWAEx,
    Key6CodeWAEx,
    Key7CodeWAEx,
};

enum WalkUpExWord : std::size_t {
    KeyCountWUEx,
    Key1ModsWUEx,
    Key2ModsWUEx,
    Key3ModsWUEx,
    Key4ModsWUEx,
    Key5ModsWUEx,
    Key6ModsWUEx,
    Key7ModsWUEx,
    Flags0WUEx,
    Key1CodeWUEx,
    Key2CodeWUEx,
    Key3CodeWUEx,
    Key4CodeWUEx,
    Key5CodeWUEx,
    Key6CodeWUEx,
    Key7CodeWUEx,
};

enum IdleWord : std::size_t {
    Reserved1I,
    PressRateI,
    Key1ModsI,
    Key1CodeI,
    FlagsI,
    DMTODeltaI,
    DMTOTmI,
    SNBlankTmI,
};
