#pragma once

// The keyboard device-interface class: the sensor types keys, so it is found
// and followed among the keyboards, never among all HID devices.

#include <windows.h>

namespace win32 {

// {884B96C3-56EF-11D1-BC8C-00A0C91405DD}
inline constexpr GUID kKeyboardInterfaceClass = {
    0x884B96C3, 0x56EF, 0x11D1, {0xBC, 0x8C, 0x00, 0xA0, 0xC9, 0x14, 0x05, 0xDD}};

}  // namespace win32
