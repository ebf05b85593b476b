#pragma once

// Text forms shared by the uhid sensor and the check program: bytes as hex,
// and a virtual sensor's whole state, so the emulated sensor's end state and
// the reference sim sensor's compare as text.

#include <cstdint>
#include <string>

#include "platform/sim/SimPlatform.h"

namespace vmtest {

std::string hexBytes(const std::uint8_t* bytes, std::size_t count);

std::string describeSensor(const sim::VirtualSensor& sensor);

}  // namespace vmtest
