#include "UdevDevices.h"

#include <libudev.h>

#include <cstdint>
#include <fstream>
#include <utility>

#include "platform/DevicePath.h"
#include "platform/hidraw/HidrawPath.h"
#include "platform/hidraw/KeyboardDescriptor.h"

namespace hidraw {

void UdevRelease::operator()(udev* context) const
{
    udev_unref(context);
}

void UdevRelease::operator()(udev_device* device) const
{
    udev_device_unref(device);
}

void UdevRelease::operator()(udev_enumerate* enumeration) const
{
    udev_enumerate_unref(enumeration);
}

void UdevRelease::operator()(udev_monitor* monitor) const
{
    udev_monitor_unref(monitor);
}

namespace {

// The kernel keeps no longer report descriptors.
constexpr std::size_t kMaxReportDescriptorBytes = 4096;

std::optional<HidId> hidIdOf(udev_device* hidrawNode)
{
    const char* value = udev_device_get_property_value(hidrawNode, "HID_ID");
    if (value == nullptr) {
        udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidrawNode, "hid", nullptr);
        value = hid != nullptr ? udev_device_get_property_value(hid, "HID_ID") : nullptr;
    }
    return value != nullptr ? parseHidId(value) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> readReportDescriptor(udev_device* hidrawNode)
{
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidrawNode, "hid", nullptr);
    const char* hidPath = hid != nullptr ? udev_device_get_syspath(hid) : nullptr;
    if (hidPath == nullptr) {
        return std::nullopt;
    }
    std::ifstream file(std::string(hidPath) + "/report_descriptor", std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> descriptor(kMaxReportDescriptorBytes + 1);
    file.read(reinterpret_cast<char*>(descriptor.data()), static_cast<std::streamsize>(descriptor.size()));
    const auto bytesRead = static_cast<std::size_t>(file.gcount());
    if (bytesRead > kMaxReportDescriptorBytes) {
        return std::nullopt;
    }
    descriptor.resize(bytesRead);
    return descriptor;
}

}  // namespace

std::optional<HidId> sysfsIdsOfNode(udev* context, const std::string& node)
{
    UdevPtr<udev_device> device(udev_device_new_from_subsystem_sysname(context, "hidraw", node.c_str()));
    return device ? hidIdOf(device.get()) : std::nullopt;
}

std::optional<std::string> devicePathOf(udev_device* hidrawNode)
{
    const char* node = udev_device_get_sysname(hidrawNode);
    if (node == nullptr || !isHidrawNodeName(node)) {
        return std::nullopt;
    }
    const auto id = hidIdOf(hidrawNode);
    if (!id) {
        return std::nullopt;
    }
    return platform::makeDevicePath(id->VendorId, id->ProductId, node);
}

std::optional<KeyboardNode> keyboardNodeOf(udev_device* hidrawNode)
{
    const auto descriptor = readReportDescriptor(hidrawNode);
    if (!descriptor || !isKeyboardReportDescriptor(*descriptor)) {
        return std::nullopt;
    }
    auto path = devicePathOf(hidrawNode);
    if (!path) {
        return std::nullopt;
    }
    return KeyboardNode{udev_device_get_sysname(hidrawNode), std::move(*path)};
}

std::optional<std::vector<KeyboardNode>> enumerateKeyboardNodes(udev* context)
{
    UdevPtr<udev_enumerate> enumeration(udev_enumerate_new(context));
    if (!enumeration || udev_enumerate_add_match_subsystem(enumeration.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumeration.get()) < 0) {
        return std::nullopt;
    }
    std::vector<KeyboardNode> nodes;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get()))
    {
        UdevPtr<udev_device> device(udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        if (!device) {
            continue;  // gone since the scan
        }
        if (auto node = keyboardNodeOf(device.get())) {
            nodes.push_back(std::move(*node));
        }
    }
    return nodes;
}

}  // namespace hidraw
