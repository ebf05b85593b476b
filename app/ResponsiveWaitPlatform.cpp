#include "ResponsiveWaitPlatform.h"

#include <QEventLoop>
#include <QTimer>
#include <QtGlobal>

void ResponsiveWaitPlatform::sleepMs(std::uint32_t ms)
{
    const std::uint64_t end = nowMs() + ms;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    ++waits_;
    // A timer may fire a little early; the wait is never shorter than asked.
    for (std::uint64_t now = nowMs(); now < end; now = nowMs()) {
        timer.start(static_cast<int>(end - now));
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    --waits_;
}

bool ResponsiveWaitPlatform::getFeature(platform::Handle handle, std::span<std::uint8_t> report)
{
    return !refusedDuringWait("a feature report read") && ForwardingPlatform::getFeature(handle, report);
}

bool ResponsiveWaitPlatform::setFeature(platform::Handle handle, std::span<const std::uint8_t> report)
{
    return !refusedDuringWait("a feature report sent") && ForwardingPlatform::setFeature(handle, report);
}

bool ResponsiveWaitPlatform::refusedDuringWait(const char* what)
{
    if (waits_ == 0) return false;
    if (reentry_) {
        reentry_(what);
    } else {
        qCritical("%s while another device operation waits: refused (a missing busy guard)", what);
        Q_ASSERT_X(false, "ResponsiveWaitPlatform", "device operation without the busy guard");
    }
    return true;
}
