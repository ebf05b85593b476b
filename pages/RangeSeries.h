#pragma once

// What the range plot draws: the latest readings of the range view, each with
// its time and the sensor's in-range mark, bounded in number; the detection
// window the Sonar page shows; and whether readings are coming in or stopped,
// and why. Plain C++, so it is tested without widgets.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "config/DetectionWindow.h"

struct RangeReading {
    std::uint64_t TimeMs = 0;  // the platform's monotonic clock
    std::uint32_t Inches = 0;
    bool InRange = false;         // the sensor's in-range bit
    std::uint8_t RangeFlags = 0;  // the raw flag byte of the range report
    friend bool operator==(const RangeReading&, const RangeReading&) = default;
};

class RangeSeries {
public:
    // The longest span the plot offers at the shortest reading period:
    // fifteen minutes of readings every 100 ms.
    static constexpr std::size_t kDefaultCapacity = 15 * 60 * 10;

    enum class State { Waiting, Live, Stopped };

    explicit RangeSeries(std::size_t capacity = kDefaultCapacity);

    // Readings come in time order; beyond the capacity the oldest is dropped.
    // A reading after a stop makes the series live again.
    void add(const RangeReading& reading);
    // Readings stopped; what was taken stays. The first reason of a stop is
    // kept until readings come again.
    void stop(const std::string& reason);
    void setWindow(const DetectionWindow& window) { window_ = window; }

    const std::deque<RangeReading>& readings() const { return readings_; }
    std::optional<RangeReading> latest() const;
    // The readings taken within spanMs before the latest one, oldest first.
    std::vector<RangeReading> recent(std::uint64_t spanMs) const;
    DetectionWindow window() const { return window_; }
    State state() const { return state_; }
    // Empty unless stopped.
    const std::string& stopReason() const { return stopReason_; }
    std::size_t capacity() const { return capacity_; }

    // One header line, then a line per reading, oldest first: seconds since
    // the oldest reading held, inches, the in-range bit, the flag byte in hex.
    std::string csv() const;

private:
    std::size_t capacity_;
    std::deque<RangeReading> readings_;
    DetectionWindow window_{};
    State state_ = State::Waiting;
    std::string stopReason_;
};
