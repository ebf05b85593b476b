#include "Win32DeviceSource.h"

#include <memory>

#include "platform/win32/DeviceNotifier.h"

DeviceWatcher::Starter followWin32Devices()
{
    return [](DeviceWatcher& watcher) -> unsigned long {
        // Made on the UI thread, whose Qt event loop dispatches the window's messages.
        auto notifier = std::make_shared<win32::DeviceNotifier>(
            [&watcher](const platform::DeviceEvent& event) { watcher.post(event); });
        if (notifier->error() != 0) return notifier->error();
        // Lives as long as the watcher.
        QObject::connect(&watcher, &QObject::destroyed, [notifier] {});
        return 0;
    };
}
