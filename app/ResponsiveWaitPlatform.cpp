#include "ResponsiveWaitPlatform.h"

#include <QEventLoop>
#include <QTimer>

void ResponsiveWaitPlatform::sleepMs(std::uint32_t ms)
{
    const std::uint64_t end = nowMs() + ms;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // A timer may fire a little early; the wait is never shorter than asked.
    for (std::uint64_t now = nowMs(); now < end; now = nowMs()) {
        timer.start(static_cast<int>(end - now));
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}
