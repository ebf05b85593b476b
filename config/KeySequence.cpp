#include "config/KeySequence.h"

#include <algorithm>

std::vector<KeySet> KeySetsOf(ConstKeyBlock block, const KeyBlockLayout& layout)
{
    const int count = std::min<int>(block[layout.KeyCount], layout.Keys);
    std::vector<KeySet> keySets;
    for (int i = 0; i < count; ++i) {
        keySets.push_back({static_cast<std::uint8_t>(block[layout.FirstMods + i] & 0xFF),
                           static_cast<std::uint8_t>(block[layout.FirstCode + i] & 0xFF)});
    }
    return keySets;
}

std::size_t StoreKeySets(KeyBlock block, const KeyBlockLayout& layout, std::span<const KeySet> keySets)
{
    std::size_t count = 0;
    for (const KeySet& keySet : keySets) {
        if (!IsDefined(keySet) || count == static_cast<std::size_t>(layout.Keys)) continue;
        block[layout.FirstMods + count] = keySet.Mods;
        block[layout.FirstCode + count] = keySet.Code;
        ++count;
    }
    for (std::size_t i = count; i < static_cast<std::size_t>(layout.Keys); ++i) {
        block[layout.FirstMods + i] = 0;
        block[layout.FirstCode + i] = 0;
    }
    block[layout.KeyCount] = static_cast<std::uint16_t>(count);
    return count;
}

bool InterKeyDelayAccepted(std::uint32_t delayMs, bool anyKeySet)
{
    return !anyKeySet || (delayMs >= kMinInterKeyDelay && delayMs <= kMaxInterKeyDelay);
}

std::uint16_t StoredWord(std::uint32_t number)
{
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(number, 0xFFFF));
}
