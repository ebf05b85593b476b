#include "SoundServerTone.h"

#include <pulse/simple.h>

#include "pages/UiServices.h"

namespace {

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
