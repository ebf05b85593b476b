#pragma once

// One device operation at a time. The sensor's waits keep the windows alive,
// so events that would talk to the sensor (a device arrival or removal, a
// range reading, a click) can arrive while an operation runs; the guard holds
// them back and runs them, in the order they came, when the outermost
// operation ends. Operations nest: Apply runs each page's write inside its
// own. Only the GUI thread uses it.

#include <deque>
#include <functional>

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
