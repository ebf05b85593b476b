#include "RangeSeries.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

RangeSeries::RangeSeries(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

void RangeSeries::add(const RangeReading& reading)
{
    if (readings_.size() == capacity_) readings_.pop_front();
    readings_.push_back(reading);
    state_ = State::Live;
    stopReason_.clear();
}

void RangeSeries::stop(const std::string& reason)
{
    if (state_ == State::Stopped) return;
    state_ = State::Stopped;
    stopReason_ = reason;
}

std::optional<RangeReading> RangeSeries::latest() const
{
    if (readings_.empty()) return std::nullopt;
    return readings_.back();
}

std::vector<RangeReading> RangeSeries::recent(std::uint64_t spanMs) const
{
    if (readings_.empty()) return {};
    const std::uint64_t newest = readings_.back().TimeMs;
    const auto first = std::find_if(readings_.begin(), readings_.end(),
                                    [&](const RangeReading& r) { return newest - r.TimeMs <= spanMs; });
    return {first, readings_.end()};
}

std::string RangeSeries::csv() const
{
    std::string text = "seconds,inches,in_range,flags\n";
    if (readings_.empty()) return text;
    const std::uint64_t oldest = readings_.front().TimeMs;
    char line[64];
    for (const RangeReading& r : readings_) {
        const std::uint64_t sinceMs = r.TimeMs - oldest;
        std::snprintf(line, sizeof line, "%" PRIu64 ".%03u,%u,%d,%02X\n", sinceMs / 1000,
                      static_cast<unsigned>(sinceMs % 1000), static_cast<unsigned>(r.Inches),
                      r.InRange ? 1 : 0, static_cast<unsigned>(r.RangeFlags));
        text += line;
    }
    return text;
}
