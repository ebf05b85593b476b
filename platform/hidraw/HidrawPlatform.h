#pragma once

// The Linux backend of the platform seam: keyboards found with libudev,
// opened as /dev/hidrawN nodes, feature reports through the hidraw ioctls.

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
    // reports need it). A sensor's node that udev has only just created may
    // refuse access for a moment, so that open is tried again briefly.
    platform::Handle open(const std::string& path) override;
    void close(platform::Handle handle) override;
    platform::HidAttributes attributes(platform::Handle handle) override;

    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override;
    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override;

    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMs() override;
};

}  // namespace hidraw
