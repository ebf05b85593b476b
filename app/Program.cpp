#include "Program.h"

#include <utility>

#include "PropSheet.h"
#include "QtUiServices.h"
#include "TolvaneApp.h"

int RunTolvane(DeviceWatcher::Starter followDevices, const std::function<void(PropSheet&)>& beforeRun)
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
