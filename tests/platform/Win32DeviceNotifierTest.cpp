// The keyboard interface notifications of the Windows backend, delivered
// through its window as the system delivers them.

#include <gtest/gtest.h>
#include <windows.h>
// The broadcast records need the Windows types above.
#include <dbt.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/DeviceNotifier.h"

namespace {

using platform::DeviceEvent;
using platform::DeviceEventKind;
using win32::DeviceNotifier;

const std::string kClassSuffix = "#{884b96c3-56ef-11d1-bc8c-00a0c91405dd}";

// A device-interface broadcast with room for its name.
struct InterfaceBroadcast {
    DEV_BROADCAST_DEVICEINTERFACE_A Header;
    char Room[256];
};

InterfaceBroadcast interfaceBroadcast(const std::string& name)
{
    InterfaceBroadcast broadcast{};
    broadcast.Header.dbcc_size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + name.size() + 1;
    broadcast.Header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(broadcast.Header.dbcc_name, name.c_str(), name.size() + 1);
    return broadcast;
}

HWND notifierWindow()
{
    return FindWindowExA(HWND_MESSAGE, nullptr, DeviceNotifier::kWindowClass, nullptr);
}

class Win32DeviceNotifierTest : public ::testing::Test {
protected:
    DeviceNotifier notifier{[this](const DeviceEvent& event) {
        events.push_back(event);
        listenerThreads.push_back(GetCurrentThreadId());
    }};
    std::vector<DeviceEvent> events;
    std::vector<DWORD> listenerThreads;
};

TEST_F(Win32DeviceNotifierTest, RegistersItsWindowForKeyboardInterfaces)
{
    EXPECT_EQ(notifier.error(), 0u);
    EXPECT_NE(notifierWindow(), nullptr);
}

struct Notification {
    WPARAM Kind;
    std::string Name;
    std::optional<DeviceEvent> Expected;
};

TEST_F(Win32DeviceNotifierTest, ArrivalsAndRemovalsOfHidKeyboardsReachTheListener)
{
    const std::string sensor = "\\\\?\\HID#VID_FFF0&PID_0001&MI_00#8&2A3B&0&0000" + kClassSuffix;
    const std::string inProjectForm = "\\\\?\\HID#Vid_fff0&Pid_0001&MI_00#8&2A3B&0&0000" + kClassSuffix;
    for (const Notification& n : {
             Notification{DBT_DEVICEARRIVAL, sensor, DeviceEvent{DeviceEventKind::Arrival, inProjectForm}},
             Notification{DBT_DEVICEREMOVECOMPLETE, sensor,
                          DeviceEvent{DeviceEventKind::Removal, inProjectForm}},
             Notification{DBT_DEVICEQUERYREMOVE, sensor, std::nullopt},
             Notification{DBT_DEVICEREMOVEPENDING, sensor, std::nullopt},
             Notification{DBT_DEVICEARRIVAL, "\\\\?\\ACPI#PNP0303#4&1d0b9c&0" + kClassSuffix, std::nullopt},
         }) {
        events.clear();
        InterfaceBroadcast broadcast = interfaceBroadcast(n.Name);
        SendMessageA(notifierWindow(), WM_DEVICECHANGE, n.Kind, reinterpret_cast<LPARAM>(&broadcast));
        if (!n.Expected) {
            EXPECT_TRUE(events.empty()) << n.Name;
            continue;
        }
        ASSERT_EQ(events.size(), 1u) << n.Name;
        EXPECT_EQ(events[0].Kind, n.Expected->Kind);
        EXPECT_EQ(events[0].Path, n.Expected->Path);
    }
}

TEST_F(Win32DeviceNotifierTest, BroadcastsOfOtherKindsOrWithoutANameAreDropped)
{
    DEV_BROADCAST_HDR volume{sizeof volume, DBT_DEVTYP_VOLUME, 0};
    SendMessageA(notifierWindow(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    SendMessageA(notifierWindow(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    InterfaceBroadcast nameless = interfaceBroadcast("");
    nameless.Header.dbcc_size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    SendMessageA(notifierWindow(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&nameless));
    EXPECT_TRUE(events.empty());
}

TEST_F(Win32DeviceNotifierTest, ANameIsReadNoFurtherThanTheBroadcastSays)
{
    const std::string name = "\\\\?\\HID#VID_FFF0&PID_0001#1&2&0&0000" + kClassSuffix;
    InterfaceBroadcast broadcast = interfaceBroadcast(name + "#trailing");
    broadcast.Header.dbcc_size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + name.size();
    SendMessageA(notifierWindow(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&broadcast));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Path, "\\\\?\\HID#Vid_fff0&Pid_0001#1&2&0&0000" + kClassSuffix);
}

// A notification sent from elsewhere runs the listener on the thread that
// made the notifier, once that thread's message loop takes it.
TEST_F(Win32DeviceNotifierTest, TheListenerRunsOnTheNotifiersThread)
{
    HWND window = notifierWindow();
    ASSERT_NE(window, nullptr);
    InterfaceBroadcast broadcast =
        interfaceBroadcast("\\\\?\\HID#VID_FFF0&PID_0001#1&2&0&0000" + kClassSuffix);
    std::thread sender([&] {
        SendMessageTimeoutA(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&broadcast),
                            SMTO_NORMAL, 5000, nullptr);
    });
    const ULONGLONG deadline = GetTickCount64() + 5000;
    MSG message;
    while (events.empty() && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    sender.join();
    ASSERT_EQ(listenerThreads.size(), 1u);
    EXPECT_EQ(listenerThreads[0], GetCurrentThreadId());
}

}  // namespace
