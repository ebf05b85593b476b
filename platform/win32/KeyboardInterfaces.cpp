#include "KeyboardInterfaces.h"

#include "platform/win32/InterfacePath.h"
#include "platform/win32/KeyboardClass.h"

namespace win32 {

namespace {

// Extra zeroed room after the detail the service asks for, so the path it
// writes is always terminated inside the buffer.
constexpr DWORD kDetailSlack = 16;

bool complete(const SetupEntryPoints& setup)
{
    return setup.GetClassDevs && setup.EnumDeviceInterfaces && setup.GetDeviceInterfaceDetail &&
           setup.DestroyDeviceInfoList;
}

// The size of one member's detail record, which the service gives by failing
// for want of a buffer; 0 when it answers otherwise, which ends the walk.
DWORD detailSize(const SetupEntryPoints& setup, HDEVINFO set, SP_DEVICE_INTERFACE_DATA& member)
{
    DWORD required = 0;
    if (setup.GetDeviceInterfaceDetail(set, &member, nullptr, 0, &required, nullptr) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        return 0;
    }
    return required;
}

// The interface name of one member; nullopt when its detail cannot be read.
std::optional<std::string> interfaceName(const SetupEntryPoints& setup, HDEVINFO set,
                                         SP_DEVICE_INTERFACE_DATA& member, DWORD required)
{
    // DWORD elements keep the detail record aligned.
    std::vector<DWORD> buffer((required + kDetailSlack + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!setup.GetDeviceInterfaceDetail(set, &member, detail, required, nullptr, nullptr)) {
        return std::nullopt;
    }
    return std::string(detail->DevicePath);
}

}  // namespace

std::optional<std::vector<std::string>> presentKeyboardInterfaces(const SetupEntryPoints& setup)
{
    if (!complete(setup)) {
        return std::nullopt;
    }
    HDEVINFO set =
        setup.GetClassDevs(&kKeyboardInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::vector<std::string> paths;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA member{};
        member.cbSize = sizeof member;
        if (!setup.EnumDeviceInterfaces(set, nullptr, &kKeyboardInterfaceClass, index, &member)) {
            break;
        }
        const DWORD required = detailSize(setup, set, member);
        if (required == 0) {
            break;
        }
        const auto name = interfaceName(setup, set, member, required);
        if (const auto path = name ? devicePathOf(*name) : std::nullopt) {
            paths.push_back(*path);
        }
    }
    setup.DestroyDeviceInfoList(set);
    return paths;
}

}  // namespace win32
