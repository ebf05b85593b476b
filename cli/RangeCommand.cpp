// range: one reading, or with --follow one line per reading with its time
// until interrupted (or --count readings), as text or CSV.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "Commands.h"
#include "ExitCodes.h"
#include "config/RangeReading.h"
#include "devlib/DevLib.h"

namespace cli {

namespace {

// The longest piece a wait between readings is cut into, so an interrupt ends it soon.
constexpr std::uint32_t kWaitSliceMs = 100;

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int)
{
    interrupted = 1;
}

// Wall-clock time when the readings started, moved on by the platform's clock,
// so the virtual clock gives times that follow the readings.
class ReadingClock {
public:
    explicit ReadingClock(platform::Platform& platform)
        : platform_(platform), startWall_(std::chrono::system_clock::now()), startMs_(platform.nowMs())
    {
    }

    std::uint64_t ElapsedMs() const { return platform_.nowMs() - startMs_; }

    // ISO 8601 in UTC with milliseconds: 2026-12-10T13:45:01.250Z
    std::string Timestamp() const
    {
        const auto now = startWall_ + std::chrono::milliseconds(ElapsedMs());
        const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
        char text[40];
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", std::gmtime(&seconds));
        char millis[8];
        std::snprintf(millis, sizeof millis, ".%03dZ", static_cast<int>(ms));
        return std::string(text) + millis;
    }

private:
    platform::Platform& platform_;
    std::chrono::system_clock::time_point startWall_;
    std::uint64_t startMs_;
};

// kSuccess, or the exit status of the failure, said.
int TakeReading(Session& session, int slot, tsRangeInfo& reading)
{
    if (GetRangeInfo(&reading)) return kSuccess;
    if (GetDevStatus() & kStatusSensorInUse) return session.SayFailure(slot, "");
    session.Error() << session.Name(slot) << ": Failed to Get RangeInfo: Err = " << StatusText(GetDevStatus())
                    << '\n';
    return kDeviceOrFileFailure;
}

void PrintReading(Session& session, const Request& request, const ReadingClock& clock,
                  const tsRangeInfo& reading)
{
    if (!request.Follow) {
        session.Out() << RangeText(reading) << '\n';
    } else if (request.Csv) {
        char flags[8];
        std::snprintf(flags, sizeof flags, "%02X", unsigned{reading.RangeFlags});
        session.Out() << clock.Timestamp() << ',' << reading.Distance << ',' << reading.InRange << ','
                      << flags << '\n';
    } else {
        session.Out() << clock.Timestamp() << "  " << RangeText(reading) << '\n';
    }
    session.Out().flush();
}

// Waits until the next reading is due, in short pieces.
void WaitUntil(Session& session, const ReadingClock& clock, std::uint64_t dueMs)
{
    while (!interrupted && clock.ElapsedMs() < dueMs) {
        const std::uint64_t left = dueMs - clock.ElapsedMs();
        session.Platform().sleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(left, kWaitSliceMs)));
    }
}

int Follow(Session& session, const Request& request, int slot)
{
    if (request.Csv) session.Out() << "time,distance_in,in_range,flags\n";
    interrupted = 0;
    const auto previous = std::signal(SIGINT, OnInterrupt);
    const ReadingClock clock(session.Platform());
    int result = kSuccess;
    for (std::uint64_t n = 0; !interrupted && (!request.Count || n < *request.Count); ++n) {
        WaitUntil(session, clock, n * request.IntervalMs);
        if (interrupted) break;
        tsRangeInfo reading{};
        result = TakeReading(session, slot, reading);
        if (result != kSuccess) break;
        PrintReading(session, request, clock, reading);
    }
    std::signal(SIGINT, previous);
    return result;
}

}  // namespace

int RunRange(Session& session, const Request& request)
{
    if (request.Follow && request.IntervalMs < kMinRangeRateMs) {
        session.Error() << "--interval: " << kRangeRateMessage << '\n';
        return kUsageError;
    }
    int status = kSuccess;
    const std::optional<int> slot = ChosenSensor(session, request, status);
    if (!slot) return status;
    if (!session.ReadInfo(*slot)) return kDeviceOrFileFailure;
    if (GetDevFwVersion() < kRangeReadoutFw) {
        session.Error() << session.Name(*slot) << ": " << kRangeUnsupportedMessage << '\n';
        return kDeviceOrFileFailure;
    }
    // Each reading holds the sensor on its own: between readings other programs have their turn.
    session.ReleaseSensor();
    if (request.Follow) return Follow(session, request, *slot);
    tsRangeInfo reading{};
    if (const int result = TakeReading(session, *slot, reading); result != kSuccess) return result;
    PrintReading(session, request, ReadingClock(session.Platform()), reading);
    return kSuccess;
}

}  // namespace cli
