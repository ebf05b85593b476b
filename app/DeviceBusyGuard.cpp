#include "DeviceBusyGuard.h"

#include <utility>

void DeviceBusyGuard::begin()
{
    ++depth_;
}

void DeviceBusyGuard::end()
{
    if (--depth_ == 0) runHeldWork();
}

void DeviceBusyGuard::whenIdle(std::function<void()> work)
{
    if (busy() || runningHeldWork_) {
        held_.push_back(std::move(work));
        return;
    }
    work();
}

// Held work may start operations of its own; what arrives meanwhile queues
// behind the rest, so everything runs in arrival order.
void DeviceBusyGuard::runHeldWork()
{
    if (runningHeldWork_) return;
    runningHeldWork_ = true;
    while (!busy() && !held_.empty()) {
        const std::function<void()> work = std::move(held_.front());
        held_.pop_front();
        work();
    }
    runningHeldWork_ = false;
}
