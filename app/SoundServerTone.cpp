#include "SoundServerTone.h"

#include <pulse/simple.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "pages/UiServices.h"

namespace {

constexpr double kAmplitude = 0.25 * 32767;
constexpr int kFadeMs = 5;

void playAndFree(pa_simple* stream, const std::vector<std::int16_t>& samples)
{
    int error = 0;
    if (pa_simple_write(stream, samples.data(), samples.size() * sizeof(std::int16_t), &error) == 0) {
        pa_simple_drain(stream, &error);
    }
    pa_simple_free(stream);
}

}  // namespace

SoundServerTone::~SoundServerTone()
{
    waitForPlayer();
}

bool SoundServerTone::play(int frequencyHz, int durationMs)
{
    waitForPlayer();
    std::vector<std::int16_t> samples = SineSamples(frequencyHz, durationMs, kSampleRate);
    const pa_sample_spec format{PA_SAMPLE_S16NE, kSampleRate, 1};
    const QByteArray name = programDisplayName().toUtf8();
    int error = 0;
    pa_simple* stream = pa_simple_new(nullptr, name.constData(), PA_STREAM_PLAYBACK, nullptr, "Tone", &format,
                                      nullptr, nullptr, &error);
    if (!stream) return false;
    player_ = std::thread(playAndFree, stream, std::move(samples));
    return true;
}

void SoundServerTone::waitForPlayer()
{
    if (player_.joinable()) player_.join();
}

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
