#pragma once

// Windows names a HID keyboard's interface like
//   \\?\hid#vid_046d&pid_c52b&mi_00#8&2a3b&0&0000#{884b96c3-56ef-11d1-bc8c-00a0c91405dd}
// in a letter case of its own choosing, which differs between enumeration and
// notifications. The backend hands such names on in the project's path form:
// the first 25 characters rewritten with platform::devicePathPrefix, the rest
// kept as Windows gave it. The same device then has one path however it was
// found, up to letter case, and the path still opens the device, because
// Windows looks interface names up ignoring case.

#include <optional>
#include <string>
#include <string_view>

namespace win32 {

// The path in the project's form; nullopt for an interface that is not a USB
// HID one (a PS/2 keyboard, a Bluetooth keyboard), which is never the sensor.
std::optional<std::string> devicePathOf(std::string_view interfaceName);

// Whether the path has the form devicePathOf gives: the only paths the
// backend opens.
bool isDevicePath(std::string_view path);

// Whether the path is such a path of a sensor: either accepted vendor with
// the sensor's product.
bool isSensorDevicePath(std::string_view path);

}  // namespace win32
