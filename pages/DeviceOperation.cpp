#include "DeviceOperation.h"

#include "PageHost.h"

DeviceOperation::DeviceOperation(PageHost& host, UiServices& ui, const QString& words)
    : busy_(ui), host_(host)
{
    host_.beginDeviceOperation(words);
    sensor_.emplace();
}

DeviceOperation::~DeviceOperation()
{
    sensor_.reset();
    host_.endDeviceOperation();
}
