#pragma once

// The installed backend as tolvanectl watches it: with --verbose every report
// exchanged goes to standard error (time, direction, node, the nine bytes),
// and while an operation runs longer than a second a progress line shows on
// standard error when it is a terminal. Everything else passes through.
// Threads working on several sensors at once may use it together.

#include <cstdint>
#include <map>
#include <mutex>
#include <ostream>
#include <string>

#include "platform/ForwardingPlatform.h"

namespace cli {

class ObservedPlatform : public platform::ForwardingPlatform {
public:
    ObservedPlatform(platform::Platform& inner, std::ostream& err, bool verbose, bool showProgress);

    // Names the operation that the progress line shows until EndOperation.
    // An operation begun inside another (a sensor's read within a run over
    // every sensor) leaves the outer one's name.
    void BeginOperation(std::string label);
    void EndOperation();
    // Whether standard error is a terminal a person watches.
    bool OnTerminal() const { return progressWanted_; }

    platform::Handle open(const std::string& path) override;
    void close(platform::Handle handle) override;
    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override;
    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override;
    void sleepMs(std::uint32_t ms) override;

private:
    void trace(platform::Handle handle, const char* direction, std::span<const std::uint8_t> report, bool ok);
    void showProgress();
    void clearProgress();

    std::recursive_mutex mutex_;
    std::ostream& err_;
    bool verbose_;
    bool progressWanted_;
    std::uint64_t startMs_;
    std::map<platform::Handle, std::string> nodes_;

    int operationDepth_ = 0;
    std::string label_;
    std::uint64_t operationStartMs_ = 0;
    bool progressShown_ = false;
};

}  // namespace cli
