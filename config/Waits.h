#pragma once

// The pauses the programs make around device operations, beyond the library's
// own waits inside each exchange and after each stored-configuration command.

#include <cstdint>

// After each successful page write, before the next one.
inline constexpr std::uint32_t kPageWriteSettleMs = 1000;
// After a halt or resume of the sensor's key sends.
inline constexpr std::uint32_t kKeySendsPauseMs = 2000;
