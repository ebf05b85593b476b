#include "HidrawPlatform.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <limits>
#include <thread>

#include "platform/SensorIds.h"
#include "platform/ServiceEntryPoints.h"
#include "platform/hidraw/DescriptorLock.h"
#include "platform/hidraw/HidrawPath.h"
#include "platform/hidraw/OpenRetry.h"
#include "platform/hidraw/UdevDevices.h"
#include "platform/hidraw/UeventValues.h"

namespace hidraw {

namespace {

// Whether sysfs shows the ids of the path under its node right now: the node
// is present and was not taken by another device since the path was made.
bool nodeShowsIds(const DevicePathParts& parts)
{
    UdevPtr<udev> context(udev_new());
    const auto ids = context ? sysfsIdsOfNode(context.get(), parts.Node) : std::nullopt;
    return ids && ids->VendorId == parts.VendorId && ids->ProductId == parts.ProductId;
}

bool isAccessRefusal(int error)
{
    return error == EACCES || error == EPERM;
}

int openNodeOnce(const std::string& devNode)
{
    const int fd = ::open(devNode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

// The descriptor of a handle that can be one; -1 otherwise.
int descriptorOf(platform::Handle handle)
{
    return handle >= 0 && handle <= std::numeric_limits<int>::max() ? static_cast<int>(handle) : -1;
}

int ioctlRetryingInterrupts(int fd, unsigned long request, void* argument)
{
    int result = 0;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

// The feature ioctls carry the report length in the request number's size field.
bool fitsFeatureRequest(std::size_t reportBytes)
{
    return reportBytes > 0 && reportBytes <= _IOC_SIZEMASK;
}

// bcdDevice of the USB device above the node; 0 when there is none or it cannot be read.
std::uint16_t usbVersionOf(int fd)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) {
        return 0;
    }
    UdevPtr<udev> context(udev_new());
    if (!context) {
        return 0;
    }
    UdevPtr<udev_device> node(udev_device_new_from_devnum(context.get(), 'c', status.st_rdev));
    udev_device* usb =
        node ? udev_device_get_parent_with_subsystem_devtype(node.get(), "usb", "usb_device") : nullptr;
    const char* bcd = usb != nullptr ? udev_device_get_sysattr_value(usb, "bcdDevice") : nullptr;
    return bcd != nullptr ? parseBcdDevice(bcd).value_or(0) : 0;
}

}  // namespace

bool HidrawPlatform::loadService(platform::Service service)
{
    if (service == platform::Service::Hid) {
        return true;
    }
    return UdevPtr<udev>(udev_new()) != nullptr;
}

bool HidrawPlatform::hasEntryPoint(platform::Service service, std::string_view name)
{
    return platform::isEntryPointOf(service, name);
}

void HidrawPlatform::unloadService(platform::Service)
{
    // Nothing was loaded; enumeration makes and releases its udev context itself.
}

std::optional<std::vector<std::string>> HidrawPlatform::presentKeyboardPaths()
{
    UdevPtr<udev> context(udev_new());
    if (!context) {
        return std::nullopt;
    }
    const auto nodes = enumerateKeyboardNodes(context.get());
    if (!nodes) {
        return std::nullopt;
    }
    std::vector<std::string> paths;
    for (const KeyboardNode& node : *nodes) {
        paths.push_back(node.Path);
    }
    return paths;
}

platform::Handle HidrawPlatform::open(const std::string& path)
{
    const auto parts = parseDevicePath(path);
    if (!parts || !isSensorVendorAndProduct(parts->VendorId, parts->ProductId) || !nodeShowsIds(*parts)) {
        return platform::kInvalidHandle;
    }
    const std::string devNode = "/dev/" + parts->Node;
    const int result = openRetryingWhileDenied([&] { return openNodeOnce(devNode); },
                                               [this](std::uint32_t ms) { sleepMs(ms); });
    noteOpenResult(path, result);
    return result >= 0 ? result : platform::kInvalidHandle;
}

void HidrawPlatform::noteOpenResult(const std::string& path, int result)
{
    const std::lock_guard lock(refusedMutex_);
    std::erase(refused_, path);
    if (result < 0 && isAccessRefusal(-result)) {
        refused_.push_back(path);
    }
}

std::vector<std::string> HidrawPlatform::inaccessibleSensorPaths()
{
    const std::lock_guard lock(refusedMutex_);
    std::erase_if(refused_, [](const std::string& path) {
        const auto parts = parseDevicePath(path);
        return !parts || !nodeShowsIds(*parts);
    });
    return refused_;
}

void HidrawPlatform::close(platform::Handle handle)
{
    const int fd = descriptorOf(handle);
    if (fd >= 0) {
        ::close(fd);
    }
}

platform::HidAttributes HidrawPlatform::attributes(platform::Handle handle)
{
    const int fd = descriptorOf(handle);
    hidraw_devinfo info{};
    if (fd < 0 || ioctlRetryingInterrupts(fd, HIDIOCGRAWINFO, &info) < 0) {
        return {};
    }
    return {static_cast<std::uint16_t>(info.vendor), static_cast<std::uint16_t>(info.product),
            usbVersionOf(fd)};
}

bool HidrawPlatform::getFeature(platform::Handle handle, std::span<std::uint8_t> report)
{
    const int fd = descriptorOf(handle);
    if (fd < 0 || !fitsFeatureRequest(report.size())) {
        return false;
    }
    const int moved = ioctlRetryingInterrupts(fd, HIDIOCGFEATURE(report.size()), report.data());
    return moved >= 0 && static_cast<std::size_t>(moved) == report.size();
}

bool HidrawPlatform::setFeature(platform::Handle handle, std::span<const std::uint8_t> report)
{
    const int fd = descriptorOf(handle);
    if (fd < 0 || !fitsFeatureRequest(report.size())) {
        return false;
    }
    std::vector<std::uint8_t> buffer(report.begin(), report.end());
    const int moved = ioctlRetryingInterrupts(fd, HIDIOCSFEATURE(buffer.size()), buffer.data());
    return moved >= 0 && static_cast<std::size_t>(moved) == buffer.size();
}

platform::LockResult HidrawPlatform::tryLock(platform::Handle handle)
{
    const int fd = descriptorOf(handle);
    return fd < 0 ? platform::LockResult::Failed : tryLockDescriptor(fd);
}

void HidrawPlatform::unlock(platform::Handle handle)
{
    if (const int fd = descriptorOf(handle); fd >= 0) unlockDescriptor(fd);
}

void HidrawPlatform::markChanged(platform::Handle handle)
{
    if (const int fd = descriptorOf(handle); fd >= 0) touchDescriptor(fd);
}

std::uint64_t HidrawPlatform::changeStamp(platform::Handle handle)
{
    const int fd = descriptorOf(handle);
    return fd < 0 ? 0 : modificationStampOf(fd);
}

void HidrawPlatform::sleepMs(std::uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint64_t HidrawPlatform::nowMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

}  // namespace hidraw
