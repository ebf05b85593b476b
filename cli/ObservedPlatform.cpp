#include "ObservedPlatform.h"

#include <cstdio>

#include "platform/DevicePath.h"

namespace cli {

namespace {

constexpr std::uint64_t kProgressAfterMs = 1000;

std::string HexBytes(std::span<const std::uint8_t> bytes)
{
    std::string text;
    char byte[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(byte, sizeof byte, text.empty() ? "%02x" : " %02x", unsigned{b});
        text += byte;
    }
    return text;
}

}  // namespace

ObservedPlatform::ObservedPlatform(platform::Platform& inner, std::ostream& err, bool verbose,
                                   bool showProgress)
    : ForwardingPlatform(inner),
      err_(err),
      verbose_(verbose),
      progressWanted_(showProgress),
      startMs_(inner.nowMs())
{
}

void ObservedPlatform::BeginOperation(std::string label)
{
    const std::lock_guard lock(mutex_);
    if (operationDepth_++ > 0) return;
    label_ = std::move(label);
    operationStartMs_ = next().nowMs();
}

void ObservedPlatform::EndOperation()
{
    const std::lock_guard lock(mutex_);
    if (--operationDepth_ > 0) return;
    clearProgress();
    label_.clear();
}

platform::Handle ObservedPlatform::open(const std::string& path)
{
    const platform::Handle handle = next().open(path);
    const std::lock_guard lock(mutex_);
    if (handle != platform::kInvalidHandle) nodes_[handle] = platform::deviceNodeOf(path);
    return handle;
}

void ObservedPlatform::close(platform::Handle handle)
{
    {
        const std::lock_guard lock(mutex_);
        nodes_.erase(handle);
    }
    next().close(handle);
}

bool ObservedPlatform::getFeature(platform::Handle handle, std::span<std::uint8_t> report)
{
    const bool ok = next().getFeature(handle, report);
    trace(handle, "read", report, ok);
    return ok;
}

bool ObservedPlatform::setFeature(platform::Handle handle, std::span<const std::uint8_t> report)
{
    const bool ok = next().setFeature(handle, report);
    trace(handle, "send", report, ok);
    return ok;
}

void ObservedPlatform::sleepMs(std::uint32_t ms)
{
    next().sleepMs(ms);
    showProgress();
}

// "    250 ms  sim1  send  00 80 00 00 00 00 00 00 00"; a failed transfer ends in "failed".
void ObservedPlatform::trace(platform::Handle handle, const char* direction,
                             std::span<const std::uint8_t> report, bool ok)
{
    if (!verbose_) return;
    const std::lock_guard lock(mutex_);
    clearProgress();
    const auto node = nodes_.find(handle);
    std::string time = std::to_string(next().nowMs() - startMs_);
    time.insert(0, time.size() < 7 ? 7 - time.size() : 0, ' ');
    time += " ms";
    err_ << time << "  " << (node != nodes_.end() ? node->second : std::string("?")) << "  " << direction
         << "  " << HexBytes(report) << (ok ? "" : "  failed") << '\n';
    err_.flush();
}

void ObservedPlatform::showProgress()
{
    const std::lock_guard lock(mutex_);
    if (!progressWanted_ || label_.empty()) return;
    const std::uint64_t elapsed = next().nowMs() - operationStartMs_;
    if (elapsed < kProgressAfterMs) return;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, " ... %.1f s", static_cast<double>(elapsed) / 1000.0);
    err_ << '\r' << label_ << seconds << "\x1b[K";
    err_.flush();
    progressShown_ = true;
}

void ObservedPlatform::clearProgress()
{
    if (!progressShown_) return;
    err_ << "\r\x1b[K";
    err_.flush();
    progressShown_ = false;
}

}  // namespace cli
