#pragma once

// The installed backend with waits that keep the windows alive: every
// operation goes to the backend, except the sleep, which runs the Qt event
// loop until the wait is over. Windows repaint and answer the window manager,
// timers and device notifications are delivered (the sheet holds back those
// that would talk to the sensor). User input to the program's windows is held
// until the wait is over, except in a window that takes input during waits:
// the Virtual Sensors window, the user's hand on the hardware, can pull a
// sensor out in the middle of an operation. Only the GUI thread's waits run
// the event loop; a sensor's thread (sensors read at once) waits plainly and
// hands what belongs to the GUI thread over (runOnTheWaitingThread). The GUI
// thread never starts a second device operation inside a wait.
//
// A feature report that starts while a wait runs would cut into the waiting
// operation's conversation: something started a device operation without the
// sheet's busy guard. Such a report is refused and reported to the re-entry
// handler, which fails an assertion in debug builds (the tests) and logs in
// release builds unless one is set.

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ForwardingPlatform.h"

class QWidget;

// For the lifetime of this object, user input goes only to windows that take
// input during waits; input to any other window is held and delivered, in
// the order it came, when the gate ends.
class WaitInputGate : public QObject {
public:
    WaitInputGate();
    ~WaitInputGate() override;
    WaitInputGate(const WaitInputGate&) = delete;
    WaitInputGate& operator=(const WaitInputGate&) = delete;

    // Marks a window as one whose user input is delivered during waits.
    static void takeInputDuringWaits(QWidget& window);

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    struct HeldInput {
        QPointer<QObject> Receiver;
        std::unique_ptr<QEvent> Event;
    };
    std::vector<HeldInput> held_;
};

// Runs work on a thread of its own and returns when it has ended. While a
// ResponsiveWaitPlatform is in place (anywhere in the installed chain of
// backends) the event loop runs meanwhile, as during a wait; otherwise
// (tests on the virtual clock) this thread only waits. Either way the
// threads of work hand what belongs to this thread (the widgets) to
// runOnTheWaitingThread.
void runBesideTheEventLoop(const std::function<void()>& work);
// On a thread of the work runBesideTheEventLoop runs: runs task on the
// thread that waits for the work and returns once it has run, so task sees
// the work's thread stand still. Anywhere else: runs task at once.
void runOnTheWaitingThread(const std::function<void()>& task);

class ResponsiveWaitPlatform : public platform::ForwardingPlatform {
public:
    using ReentryHandler = std::function<void(const char* what)>;

    explicit ResponsiveWaitPlatform(platform::Platform& next);
    ~ResponsiveWaitPlatform() override;
    ResponsiveWaitPlatform(const ResponsiveWaitPlatform&) = delete;
    ResponsiveWaitPlatform& operator=(const ResponsiveWaitPlatform&) = delete;

    // The one in place, or nullptr.
    static ResponsiveWaitPlatform* active();

    void setReentryHandler(ReentryHandler handler) { reentry_ = std::move(handler); }

    // Runs the event loop behind a WaitInputGate until the backend's clock
    // has moved on by ms. On any other thread than the event loop's (one
    // working on a sensor while the sensors are read at once) it is the
    // backend's plain sleep, as its transfers are the backend's own.
    void sleepMs(std::uint32_t ms) override;
    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override;
    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override;

    // Runs work on a thread of its own (which may start one per sensor)
    // while the event loop runs behind a WaitInputGate, as during a wait,
    // and runs the tasks the work hands over; returns when work has ended.
    void runBesideTheEventLoop(const std::function<void()>& work);

private:
    // True, said, when a wait runs.
    bool refusedDuringWait(const char* what);

    int waits_ = 0;
    ReentryHandler reentry_;
};
