#pragma once

// One device operation at a time: the page host (the sheet) holds back
// whatever would talk to the sensor while an operation runs. Operations
// nest: Apply runs each page's write inside its own.

#include <QString>
#include <functional>
#include <optional>

#include "UiServices.h"
#include "devlib/DevLib.h"

class PageHost;

// A device operation for its lifetime: the busy cursor shows, the sheet says
// what it does in words, the guard holds everything else back, and the sensor
// being edited is held against other programs (waited for while they hold it).
class DeviceOperation {
public:
    DeviceOperation(PageHost& host, UiServices& ui, const QString& words);
    ~DeviceOperation();
    DeviceOperation(const DeviceOperation&) = delete;
    DeviceOperation& operator=(const DeviceOperation&) = delete;

private:
    BusyCursor busy_;
    PageHost& host_;
    std::optional<DevOperation> sensor_;
};
