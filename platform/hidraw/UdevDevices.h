#pragma once

// What the backend reads about hidraw nodes through libudev and sysfs.

#include <optional>
#include <string>
#include <vector>

#include "platform/hidraw/UdevHandles.h"
#include "platform/hidraw/UeventValues.h"

namespace hidraw {

struct KeyboardNode {
    std::string Node;  // "hidraw3"
    std::string Path;  // interface path of the node
};

// The ids sysfs shows for a present hidraw node ("hidraw3"), read without
// touching the node; nullopt when there is no such node.
std::optional<HidId> sysfsIdsOfNode(udev* context, const std::string& node);

// The interface path of a hidraw node from its name and the HID_ID of the
// node or of its hid parent; nullopt when they cannot be read.
std::optional<std::string> devicePathOf(udev_device* hidrawNode);

// The node and its path when it belongs to a keyboard (judged by the report
// descriptor of its hid parent, readable without access to the node).
std::optional<KeyboardNode> keyboardNodeOf(udev_device* hidrawNode);

// The present keyboard nodes in enumeration order; nullopt when udev cannot
// enumerate.
std::optional<std::vector<KeyboardNode>> enumerateKeyboardNodes(udev* context);

}  // namespace hidraw
