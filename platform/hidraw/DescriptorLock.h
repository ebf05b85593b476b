#pragma once

// One operation at a time on a sensor, across programs: an advisory lock on
// the open hidraw node. flock conflicts between separate opens of the same
// node whoever made them, and the kernel drops it when its holder closes the
// node or ends, so a killed program never leaves the sensor held.
//
// The node's modification time is the sensor's change notice: a program that
// changed the sensor's configuration touches it (anyone who may open the node
// for writing may), and a program showing the sensor watches it.

#include <cstdint>

#include "platform/Platform.h"

namespace hidraw {

platform::LockResult tryLockDescriptor(int fd);
void unlockDescriptor(int fd);
void touchDescriptor(int fd);
// Nanoseconds of the node's modification time; 0 when it cannot be read.
std::uint64_t modificationStampOf(int fd);

}  // namespace hidraw
