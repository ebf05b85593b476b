#pragma once

// The installed backend as tolvanectl watches it: with --verbose every report
// exchanged goes to standard error (time, direction, node, the nine bytes),
// and while an operation runs longer than a second a progress line shows on
// standard error when it is a terminal. Everything else passes through.

#include <cstdint>
#include <map>
#include <ostream>
#include <string>

#include "platform/Platform.h"

namespace cli {

class ObservedPlatform : public platform::Platform {
public:
    ObservedPlatform(platform::Platform& inner, std::ostream& err, bool verbose, bool showProgress);

    // Names the operation that the progress line shows until EndOperation.
    void BeginOperation(std::string label);
    void EndOperation();

    bool loadService(platform::Service service) override;
    bool hasEntryPoint(platform::Service service, std::string_view name) override;
    void unloadService(platform::Service service) override;
    std::optional<std::vector<std::string>> presentKeyboardPaths() override;
    platform::Handle open(const std::string& path) override;
    void close(platform::Handle handle) override;
    std::vector<std::string> inaccessibleSensorPaths() override;
    platform::HidAttributes attributes(platform::Handle handle) override;
    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override;
    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override;
    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMs() override;

private:
    void trace(platform::Handle handle, const char* direction, std::span<const std::uint8_t> report, bool ok);
    void showProgress();
    void clearProgress();

    platform::Platform& inner_;
    std::ostream& err_;
    bool verbose_;
    bool progressWanted_;
    std::uint64_t startMs_;
    std::map<platform::Handle, std::string> nodes_;

    std::string label_;
    std::uint64_t operationStartMs_ = 0;
    bool progressShown_ = false;
};

// The device node a person knows a sensor by: /dev/hidraw3 for a hidraw
// interface path, the path's last part otherwise (sim1 for a virtual sensor).
std::string DeviceNode(const std::string& interfacePath);
// "fff0:0001": vendor and product as the interface path names them.
std::string UsbIdsOfPath(const std::string& interfacePath);

}  // namespace cli
