#pragma once

// A backend that hands every operation to another one. Wrappers that watch or
// change a few operations (the waits that keep the windows painting, the
// command line's report trace) derive from it and override just those.

#include "platform/Platform.h"

namespace platform {

class ForwardingPlatform : public Platform {
public:
    explicit ForwardingPlatform(Platform& next) : next_(next) {}

    bool loadService(Service service) override { return next_.loadService(service); }
    bool hasEntryPoint(Service service, std::string_view name) override
    {
        return next_.hasEntryPoint(service, name);
    }
    void unloadService(Service service) override { next_.unloadService(service); }
    std::optional<std::vector<std::string>> presentKeyboardPaths() override
    {
        return next_.presentKeyboardPaths();
    }
    Handle open(const std::string& path) override { return next_.open(path); }
    void close(Handle handle) override { next_.close(handle); }
    std::vector<std::string> inaccessibleSensorPaths() override { return next_.inaccessibleSensorPaths(); }
    HidAttributes attributes(Handle handle) override { return next_.attributes(handle); }
    bool getFeature(Handle handle, std::span<std::uint8_t> report) override
    {
        return next_.getFeature(handle, report);
    }
    bool setFeature(Handle handle, std::span<const std::uint8_t> report) override
    {
        return next_.setFeature(handle, report);
    }
    LockResult tryLock(Handle handle) override { return next_.tryLock(handle); }
    void unlock(Handle handle) override { next_.unlock(handle); }
    void markChanged(Handle handle) override { next_.markChanged(handle); }
    std::uint64_t changeStamp(Handle handle) override { return next_.changeStamp(handle); }
    void sleepMs(std::uint32_t ms) override { next_.sleepMs(ms); }
    std::uint64_t nowMs() override { return next_.nowMs(); }
    void enterParallelWork(int threads) override { next_.enterParallelWork(threads); }
    void leaveParallelWork() override { next_.leaveParallelWork(); }

protected:
    Platform& next() { return next_; }

private:
    Platform& next_;
};

}  // namespace platform
