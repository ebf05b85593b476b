#pragma once

// Owning pointers to libudev objects, usable without including libudev.h.

#include <memory>

struct udev;
struct udev_device;
struct udev_enumerate;
struct udev_monitor;

namespace hidraw {

struct UdevRelease {
    void operator()(udev* context) const;
    void operator()(udev_device* device) const;
    void operator()(udev_enumerate* enumeration) const;
    void operator()(udev_monitor* monitor) const;
};

template <typename T>
using UdevPtr = std::unique_ptr<T, UdevRelease>;

}  // namespace hidraw
