#pragma once

// The Linux backend of the platform seam: keyboards found with libudev,
// opened as /dev/hidrawN nodes, feature reports through the hidraw ioctls.

#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace hidraw {

class HidrawPlatform : public platform::Platform {
public:
    // The kernel interface has no modules to load: the HID service is always
    // there, enumeration needs a udev context, and every entry point the
    // device library asks for is provided.
    bool loadService(platform::Service service) override;
    bool hasEntryPoint(platform::Service service, std::string_view name) override;
    void unloadService(platform::Service service) override;

    std::optional<std::vector<std::string>> presentKeyboardPaths() override;

    // Opens the node named by the path for reading and writing (feature
    // reports need it), but only when the path names a sensor and sysfs still
    // shows that sensor under the node: any other keyboard's node is refused
    // without being touched. A node that has only just appeared may be missing
    // or refuse access for a moment, so the open is tried again briefly.
    platform::Handle open(const std::string& path) override;
    void close(platform::Handle handle) override;
    // The refused paths whose node still shows the same sensor.
    std::vector<std::string> inaccessibleSensorPaths() override;
    platform::HidAttributes attributes(platform::Handle handle) override;

    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override;
    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override;

    // flock on the node's descriptor; its modification time is the change stamp.
    platform::LockResult tryLock(platform::Handle handle) override;
    void unlock(platform::Handle handle) override;
    void markChanged(platform::Handle handle) override;
    std::uint64_t changeStamp(platform::Handle handle) override;

    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMs() override;

private:
    void noteOpenResult(const std::string& path, int result);

    // The library opens on its table's thread while the program may ask for
    // the refusals from another.
    std::mutex refusedMutex_;
    std::vector<std::string> refused_;  // latest open refused for lack of access, in refusal order
};

}  // namespace hidraw
