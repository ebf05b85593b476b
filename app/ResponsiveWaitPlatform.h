#pragma once

// The installed backend with waits that keep the windows alive: every
// operation goes to the backend, except the sleep, which runs the Qt event
// loop until the wait is over. Windows repaint and answer the window manager,
// timers and device notifications are delivered (the sheet holds back those
// that would talk to the sensor), and user input stays queued until the
// program is back in its main loop. The device library stays single-threaded:
// its waits last as long as before and it is never entered twice.

#include "platform/Platform.h"

class ResponsiveWaitPlatform : public platform::Platform {
public:
    explicit ResponsiveWaitPlatform(platform::Platform& backend) : backend_(backend) {}

    bool loadService(platform::Service service) override { return backend_.loadService(service); }
    bool hasEntryPoint(platform::Service service, std::string_view name) override
    {
        return backend_.hasEntryPoint(service, name);
    }
    void unloadService(platform::Service service) override { backend_.unloadService(service); }
    std::optional<std::vector<std::string>> presentKeyboardPaths() override
    {
        return backend_.presentKeyboardPaths();
    }
    platform::Handle open(const std::string& path) override { return backend_.open(path); }
    void close(platform::Handle handle) override { backend_.close(handle); }
    std::vector<std::string> inaccessibleSensorPaths() override { return backend_.inaccessibleSensorPaths(); }
    platform::HidAttributes attributes(platform::Handle handle) override
    {
        return backend_.attributes(handle);
    }
    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override
    {
        return backend_.getFeature(handle, report);
    }
    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override
    {
        return backend_.setFeature(handle, report);
    }
    std::uint64_t nowMs() override { return backend_.nowMs(); }

    // Runs the event loop, without user input, until the backend's clock has
    // moved on by ms.
    void sleepMs(std::uint32_t ms) override;

private:
    platform::Platform& backend_;
};
