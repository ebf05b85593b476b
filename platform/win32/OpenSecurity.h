#pragma once

// Security for objects every user of the machine shares: a descriptor whose
// discretionary list is present and null, so that access is allowed to everyone.

#include <windows.h>

namespace win32 {

bool makeOpenSecurity(SECURITY_DESCRIPTOR& descriptor);

}  // namespace win32
