#pragma once

// The installed backend with waits that keep the windows alive: every
// operation goes to the backend, except the sleep, which runs the Qt event
// loop until the wait is over. Windows repaint and answer the window manager,
// timers and device notifications are delivered (the sheet holds back those
// that would talk to the sensor). User input to the program's windows is held
// until the wait is over, except in a window that takes input during waits:
// the Virtual Sensors window, the user's hand on the hardware, can pull a
// sensor out in the middle of an operation. The device library stays
// single-threaded: its waits last as long as before and it is never entered
// twice.

#include <QObject>
#include <QPointer>
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

class ResponsiveWaitPlatform : public platform::ForwardingPlatform {
public:
    using ForwardingPlatform::ForwardingPlatform;

    // Runs the event loop behind a WaitInputGate until the backend's clock
    // has moved on by ms.
    void sleepMs(std::uint32_t ms) override;
};
