#include "Program.h"

#include <utility>

#include "PropSheet.h"
#include "QtUiServices.h"
#include "ResponsiveWaitPlatform.h"
#include "TolvaneApp.h"

namespace {

int RunApp(DeviceWatcher::Starter followDevices, const std::function<void(PropSheet&)>& beforeRun)
{
    DeviceWatcher watcher(std::move(followDevices));
    QtUiServices ui;
    CTolvaneApp app(ui, watcher);
    if (!app.StartUp()) return 1;
    if (beforeRun) beforeRun(*app.Sheet());
    app.RunSheet();
    app.ShutDown();
    return 0;
}

}  // namespace

int RunTolvane(DeviceWatcher::Starter followDevices, const std::function<void(PropSheet&)>& beforeRun)
{
    // The sensor's waits keep the windows alive for the whole run.
    platform::Platform& backend = platform::current();
    ResponsiveWaitPlatform waits(backend);
    platform::install(&waits);
    const int exitCode = RunApp(std::move(followDevices), beforeRun);
    platform::install(&backend);
    return exitCode;
}
