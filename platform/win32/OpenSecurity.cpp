#include "OpenSecurity.h"

namespace win32 {

bool makeOpenSecurity(SECURITY_DESCRIPTOR& descriptor)
{
    return InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
}

}  // namespace win32
