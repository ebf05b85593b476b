// The tone on Windows: the system's own Beep, which sounds until it ends, so
// it runs on the worker thread.

#include <windows.h>

#include "SoundServerTone.h"

namespace {

// The frequencies Beep plays.
constexpr int kLowestHz = 37;
constexpr int kHighestHz = 32767;

}  // namespace

SoundServerTone::~SoundServerTone()
{
    waitForPlayer();
}

bool SoundServerTone::play(int frequencyHz, int durationMs)
{
    waitForPlayer();
    if (frequencyHz < kLowestHz || frequencyHz > kHighestHz || durationMs < 0) return false;
    player_ = std::thread(
        [frequencyHz, durationMs] { Beep(static_cast<DWORD>(frequencyHz), static_cast<DWORD>(durationMs)); });
    return true;
}

void SoundServerTone::waitForPlayer()
{
    if (player_.joinable()) player_.join();
}
