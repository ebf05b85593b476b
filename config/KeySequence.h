#pragma once

// The rules of a key sequence as the Walk-Away and Walk-To pages apply them:
// where a block keeps its key sets, how defined key sets are stored (empty
// ones squeezed out) and which inter-key delays are taken.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "config/KeyNames.h"
#include "devlib/ParameterBlocks.h"

// Where a walk-away or walk-up block (the walk-up blocks share the walk-away
// layout) keeps its key count and key sets.
struct KeyBlockLayout {
    std::size_t KeyCount;
    std::size_t FirstMods;
    std::size_t FirstCode;
    int Keys;
};
inline constexpr KeyBlockLayout kBaseKeyLayout{KeyCountWA, Key1ModsWA, Key1CodeWA, 6};
inline constexpr KeyBlockLayout kExtensionKeyLayout{KeyCountWAEx, Key1ModsWAEx, Key1CodeWAEx, 7};
// The inter-key delay lives in the base block only.
inline constexpr std::size_t kInterKeyDelayWord = InterKeyDelayWA;

using KeyBlock = std::span<std::uint16_t, 16>;
using ConstKeyBlock = std::span<const std::uint16_t, 16>;

inline constexpr const char* kInterKeyDelayMessage = "Inter-Key Delay must be >= 64 and <= 16320 msec!";

// A key set is defined when its modifier set or its key code is not 0.
constexpr bool IsDefined(KeySet keySet)
{
    return keySet.Mods != 0 || keySet.Code != 0;
}

// Keys 1 to the block's key count (low bytes of the words).
std::vector<KeySet> KeySetsOf(ConstKeyBlock block, const KeyBlockLayout& layout);

// Stores the defined key sets in their order, empty ones dropped, with their
// count; every further key of the block becomes empty. Nothing else changes.
// Key sets beyond the block's keys are not stored; returns how many were.
std::size_t StoreKeySets(KeyBlock block, const KeyBlockLayout& layout, std::span<const KeySet> keySets);

// Whether a delay is taken: always without a defined key set, else 64 to 16320 ms.
bool InterKeyDelayAccepted(std::uint32_t delayMs, bool anyKeySet);
// The word a taken delay or the walk-away fault send rate is stored as: a
// number beyond 16 bits is kept as the largest word rather than wrapped into
// a plausible value.
std::uint16_t StoredWord(std::uint32_t number);
