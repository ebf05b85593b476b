#include "DeviceWatcher.h"

#include <QSocketNotifier>
#include <mutex>
#include <utility>

DeviceWatcher::DeviceWatcher(Starter starter, QObject* parent) : QObject(parent), starter_(std::move(starter))
{
}

unsigned long DeviceWatcher::start(QObject* context, Receiver receiver)
{
    if (startAttempted_) return startResult_;
    startAttempted_ = true;
    context_ = context;
    receiver_ = std::move(receiver);
    startResult_ = starter_(*this);
    return startResult_;
}

void DeviceWatcher::post(const platform::DeviceEvent& event)
{
    const std::lock_guard lock(queueMutex_);
    queued_.push_back(event);
    if (queued_.size() == 1)
        QMetaObject::invokeMethod(this, &DeviceWatcher::deliverQueued, Qt::QueuedConnection);
}

void DeviceWatcher::watchDescriptor(int fd, std::function<std::vector<platform::DeviceEvent>()> readEvents)
{
    readEvents_ = std::move(readEvents);
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        for (const platform::DeviceEvent& event : readEvents_()) post(event);
    });
}

void DeviceWatcher::deliverQueued()
{
    std::vector<platform::DeviceEvent> events;
    {
        const std::lock_guard lock(queueMutex_);
        events.swap(queued_);
    }
    if (context_ && receiver_) receiver_(events);
}
