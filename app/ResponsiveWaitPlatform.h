#pragma once

// The installed backend with waits that keep the windows alive: every
// operation goes to the backend, except the sleep, which runs the Qt event
// loop until the wait is over. Windows repaint and answer the window manager,
// timers and device notifications are delivered (the sheet holds back those
// that would talk to the sensor), and user input stays queued until the
// program is back in its main loop. The device library stays single-threaded:
// its waits last as long as before and it is never entered twice.

#include "platform/ForwardingPlatform.h"

class ResponsiveWaitPlatform : public platform::ForwardingPlatform {
public:
    using ForwardingPlatform::ForwardingPlatform;

    // Runs the event loop, without user input, until the backend's clock has
    // moved on by ms.
    void sleepMs(std::uint32_t ms) override;
};
