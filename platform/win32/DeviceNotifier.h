#pragma once

// Arrival and removal of keyboard-class device interfaces, from a hidden
// message-only window registered for their notifications. The window belongs
// to the thread that makes the notifier, so the notifications come out of
// that thread's message loop (the UI thread's, under Qt) and the listener
// runs there.

#include <cstdint>
#include <functional>

#include "platform/Platform.h"

namespace win32 {

class DeviceNotifier {
public:
    using Listener = std::function<void(const platform::DeviceEvent&)>;

    // The class name of the notifier's window.
    static constexpr const char* kWindowClass = "TolvaneDeviceNotifier";

    explicit DeviceNotifier(Listener listener);
    DeviceNotifier(const DeviceNotifier&) = delete;
    DeviceNotifier& operator=(const DeviceNotifier&) = delete;
    ~DeviceNotifier();

    // 0 when notifications are coming, else the system error code of the step
    // that failed.
    unsigned long error() const { return error_; }

    // What the window does with one WM_DEVICECHANGE (kind and broadcast are its
    // wParam and lParam): hands an arrival or a completed removal of a USB HID keyboard interface, with its
    // path in the project's form. Other notifications are dropped.
    void notify(std::uintptr_t kind, const void* broadcast);

private:
    Listener listener_;
    void* window_ = nullptr;        // HWND
    void* registration_ = nullptr;  // HDEVNOTIFY
    unsigned long error_ = 0;
};

}  // namespace win32
