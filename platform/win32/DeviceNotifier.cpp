#include "DeviceNotifier.h"

#include <windows.h>
// The broadcast records need the Windows types above.
#include <dbt.h>

#include <cstddef>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/win32/InterfacePath.h"
#include "platform/win32/KeyboardClass.h"

namespace win32 {

namespace {

LRESULT CALLBACK notifierWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    } else if (message == WM_DEVICECHANGE) {
        auto* notifier = reinterpret_cast<DeviceNotifier*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (notifier != nullptr) {
            notifier->notify(wParam, reinterpret_cast<const void*>(lParam));
        }
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Registers the window class once per process; 0 or the system error code.
unsigned long registerWindowClass()
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = notifierWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = DeviceNotifier::kWindowClass;
    if (RegisterClassExA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return GetLastError();
    }
    return 0;
}

// The interface name inside a broadcast of dbch_size bytes, which need not
// be terminated within them.
std::string_view interfaceNameOf(const DEV_BROADCAST_DEVICEINTERFACE_A& broadcast)
{
    constexpr std::size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    if (broadcast.dbcc_size <= kNameOffset) {
        return {};
    }
    return {broadcast.dbcc_name, strnlen(broadcast.dbcc_name, broadcast.dbcc_size - kNameOffset)};
}

}  // namespace

DeviceNotifier::DeviceNotifier(Listener listener) : listener_(std::move(listener))
{
    error_ = registerWindowClass();
    if (error_ != 0) {
        return;
    }
    HWND window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), this);
    if (window == nullptr) {
        error_ = GetLastError();
        return;
    }
    window_ = window;
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kKeyboardInterfaceClass;
    registration_ = RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (registration_ == nullptr) {
        error_ = GetLastError();
    }
}

DeviceNotifier::~DeviceNotifier()
{
    if (registration_ != nullptr) {
        UnregisterDeviceNotification(static_cast<HDEVNOTIFY>(registration_));
    }
    if (window_ != nullptr) {
        DestroyWindow(static_cast<HWND>(window_));
    }
}

void DeviceNotifier::notify(std::uintptr_t kind, const void* broadcast)
{
    if ((kind != DBT_DEVICEARRIVAL && kind != DBT_DEVICEREMOVECOMPLETE) || broadcast == nullptr) {
        return;
    }
    const auto* header = static_cast<const DEV_BROADCAST_HDR*>(broadcast);
    if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
        return;
    }
    const auto& deviceInterface = *static_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(broadcast);
    const auto path = devicePathOf(interfaceNameOf(deviceInterface));
    if (path && listener_) {
        const auto eventKind = kind == DBT_DEVICEARRIVAL ? platform::DeviceEventKind::Arrival
                                                         : platform::DeviceEventKind::Removal;
        listener_({eventKind, *path});
    }
}

}  // namespace win32
