#pragma once

// One device operation at a time. The sensor's waits keep the windows alive,
// so events that would talk to the sensor (a device arrival or removal, a
// range reading, a click) can arrive while an operation runs; the guard holds
// them back and runs them, in the order they came, when the outermost
// operation ends. Operations nest: Apply runs each page's write inside its own.

#include <QString>
#include <deque>
#include <functional>
#include <optional>

#include "UiServices.h"
#include "devlib/DevLib.h"

class PageHost;

class DeviceBusyGuard {
public:
    void begin();
    // The end of the outermost operation runs the work held meanwhile.
    void end();
    bool busy() const { return depth_ > 0; }
    // Runs work at once when no operation runs, else after the outermost one
    // ends, behind the work held before it.
    void whenIdle(std::function<void()> work);

private:
    void runHeldWork();

    int depth_ = 0;
    bool runningHeldWork_ = false;
    std::deque<std::function<void()>> held_;
};

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
