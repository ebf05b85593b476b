#pragma once

// Recognises a keyboard by its HID report descriptor.

#include <cstdint>
#include <span>

namespace hidraw {

// Whether the report descriptor is well formed (no item runs past the end,
// collections balance, no pop without a push) and its first top-level
// application collection is Generic Desktop / Keyboard.
bool isKeyboardReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace hidraw
