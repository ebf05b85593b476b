#pragma once

// Values that udev reports as text: the HID_ID property of a hid device and
// the bcdDevice attribute of a USB device.

#include <cstdint>
#include <optional>
#include <string_view>

namespace hidraw {

struct HidId {
    std::uint16_t Bus = 0;
    std::uint16_t VendorId = 0;
    std::uint16_t ProductId = 0;
};

// "0003:0000FFF0:00000001" (bus:vendor:product in hexadecimal, either case);
// nullopt unless there are exactly three fields and each fits 16 bits.
std::optional<HidId> parseHidId(std::string_view value);

// "0405" -> 0x0405: one to four hexadecimal digits, trailing white space
// allowed; nullopt for anything else.
std::optional<std::uint16_t> parseBcdDevice(std::string_view text);

}  // namespace hidraw
