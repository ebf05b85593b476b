#pragma once

// A sine tone through the desktop's sound server (PulseAudio, or PipeWire's
// PulseAudio service; on Windows the system's Beep). The tone plays on a
// worker thread, so the interface keeps painting while it sounds.

#include <cstdint>
#include <thread>
#include <vector>

class SoundServerTone {
public:
    static constexpr int kSampleRate = 44100;

    SoundServerTone() = default;
    // Waits for a tone still sounding.
    ~SoundServerTone();
    SoundServerTone(const SoundServerTone&) = delete;
    SoundServerTone& operator=(const SoundServerTone&) = delete;

    // Starts the tone once the one before it has ended; false when no sound
    // server answers.
    bool play(int frequencyHz, int durationMs);

private:
    void waitForPlayer();

    std::thread player_;
};

// Signed 16-bit mono samples of a sine tone at a quarter of full scale, faded
// in and out over a few milliseconds so that it starts and ends without a click.
std::vector<std::int16_t> SineSamples(int frequencyHz, int durationMs, int sampleRate);
