#pragma once

// Follows input devices being plugged in and pulled out, and hands every
// arrival and removal to its receiver on the UI thread, queued like a window
// message: an event raised inside a library call (a sensor pulled out during
// an exchange) is handled only after that call has returned.

#include <QObject>
#include <QPointer>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Platform.h"

class DeviceWatcher : public QObject {
    Q_OBJECT
public:
    // Begins following devices for the installed backend. Returns 0, or the
    // system error code when devices cannot be followed.
    using Starter = std::function<unsigned long(DeviceWatcher&)>;
    // Events queued together (a bench of sensors plugged in at once) are
    // delivered together, in the order they came.
    using Receiver = std::function<void(const std::vector<platform::DeviceEvent>&)>;

    explicit DeviceWatcher(Starter starter, QObject* parent = nullptr);

    // Runs the starter once and from then on delivers every event to receiver
    // while context lives. Returns 0 or the starter's error code; later calls
    // return the first result and change nothing.
    unsigned long start(QObject* context, Receiver receiver);

    // Queues one event for the receiver. Backends call this from their
    // notifications, also from inside a library call and from other threads.
    void post(const platform::DeviceEvent& event);

    // Reads events from a descriptor whenever it becomes readable (the hidraw
    // monitor) and queues each of them.
    void watchDescriptor(int fd, std::function<std::vector<platform::DeviceEvent>()> readEvents);

private:
    void deliverQueued();

    Starter starter_;
    bool startAttempted_ = false;
    unsigned long startResult_ = 0;
    QPointer<QObject> context_;
    Receiver receiver_;
    std::mutex queueMutex_;
    std::vector<platform::DeviceEvent> queued_;
    std::function<std::vector<platform::DeviceEvent>()> readEvents_;
};
