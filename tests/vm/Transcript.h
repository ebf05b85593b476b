#pragma once

// The feature reports a sensor received, from the uhid sensor's transcript
// file or from the sim's transcript, in one form so the two compare: the
// bytes as hex, the outcome, and the milliseconds at which each came.

#include <cstdint>
#include <string>
#include <vector>

#include "SensorText.h"
#include "platform/sim/SimPlatform.h"

namespace vmtest {

struct WireReport {
    char Dir = 'G';  // 'G' read (the answer's bytes), 'S' send (the bytes as received)
    std::string Bytes;
    bool Ok = false;
    std::int64_t Ms = 0;
};

// Every GET and SET line of a uhid sensor's transcript.
std::vector<WireReport> readUhidWire(const std::string& transcriptPath);
// How many lines of the transcript start with the word (OPEN, CLOSE, ...).
int countTranscriptEvents(const std::string& transcriptPath, const std::string& word);

std::vector<WireReport> simWire(const std::vector<sim::Transfer>& transcript, const std::string& path);

// The first difference in direction, bytes or outcome, or "" when the two
// are the same report for report.
std::string firstWireDifference(const std::vector<WireReport>& actual,
                                const std::vector<WireReport>& expected);

// The first pause between two reports that is shorter than the sim's; ""
// when every pause lasted at least as long.
std::string firstShortPause(const std::vector<WireReport>& actual, const std::vector<WireReport>& expected);

// The reports a backend was asked to move and the waits asked of it, in
// order, as text lines ("send 00 80 ...", "read 00 ... ok", "wait 250").
template <typename Backend>
class RecordingBackend : public Backend {
public:
    using Backend::Backend;
    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override
    {
        const bool ok = Backend::getFeature(handle, report);
        Calls.push_back("read " + (ok ? hexBytes(report.data(), report.size()) : std::string("failed")));
        return ok;
    }
    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override
    {
        const bool ok = Backend::setFeature(handle, report);
        Calls.push_back("send " + hexBytes(report.data(), report.size()) + (ok ? "" : " failed"));
        return ok;
    }
    void sleepMs(std::uint32_t ms) override
    {
        Calls.push_back("wait " + std::to_string(ms));
        Backend::sleepMs(ms);
    }
    std::vector<std::string> Calls;
};

}  // namespace vmtest
