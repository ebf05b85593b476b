// The samples of the tone, the same wherever it is played.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "SoundServerTone.h"

namespace {

constexpr double kAmplitude = 0.25 * 32767;
constexpr int kFadeMs = 5;

}  // namespace

std::vector<std::int16_t> SineSamples(int frequencyHz, int durationMs, int sampleRate)
{
    const int count = std::max(0, static_cast<int>(static_cast<long long>(sampleRate) * durationMs / 1000));
    const int fade = std::min(sampleRate * kFadeMs / 1000, count / 2);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double envelope =
            fade == 0 ? 1.0 : std::min({1.0, double(i) / fade, double(count - 1 - i) / fade});
        const double phase = 2 * std::numbers::pi * frequencyHz * i / sampleRate;
        samples[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>(std::lround(kAmplitude * envelope * std::sin(phase)));
    }
    return samples;
}
