#include "DeviceWatcher.h"

#include <QSocketNotifier>
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
    QMetaObject::invokeMethod(
        this, [this, event] { deliver(event); }, Qt::QueuedConnection);
}

void DeviceWatcher::watchDescriptor(int fd, std::function<std::vector<platform::DeviceEvent>()> readEvents)
{
    readEvents_ = std::move(readEvents);
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        for (const platform::DeviceEvent& event : readEvents_()) post(event);
    });
}

void DeviceWatcher::deliver(const platform::DeviceEvent& event)
{
    if (context_ && receiver_) receiver_(event);
}
