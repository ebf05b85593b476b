#include "ResponsiveWaitPlatform.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QtGlobal>
#include <atomic>
#include <thread>

namespace {

const char* const kTakesInputDuringWaits = "takesInputDuringWaits";

ResponsiveWaitPlatform* g_active = nullptr;

bool isUserInput(QEvent::Type type)
{
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        default:
            return false;
    }
}

// Input reaches a window first and then the widget it is meant for; it is
// judged by the widget.
bool onEventLoopThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

bool passesDuringWaits(const QObject* receiver)
{
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    return !widget || widget->window()->property(kTakesInputDuringWaits).toBool();
}

}  // namespace

WaitInputGate::WaitInputGate()
{
    QCoreApplication::instance()->installEventFilter(this);
}

WaitInputGate::~WaitInputGate()
{
    QCoreApplication::instance()->removeEventFilter(this);
    for (HeldInput& input : held_)
        if (input.Receiver) QCoreApplication::postEvent(input.Receiver, input.Event.release());
}

void WaitInputGate::takeInputDuringWaits(QWidget& window)
{
    window.setProperty(kTakesInputDuringWaits, true);
}

// A pointer moving over a window that waits means nothing once the wait is
// over, so moves are dropped; presses, releases and keys are kept.
bool WaitInputGate::eventFilter(QObject* receiver, QEvent* event)
{
    if (!isUserInput(event->type()) || passesDuringWaits(receiver)) return false;
    if (event->type() != QEvent::MouseMove)
        held_.push_back({receiver, std::unique_ptr<QEvent>(event->clone())});
    return true;
}

ResponsiveWaitPlatform::ResponsiveWaitPlatform(platform::Platform& next) : ForwardingPlatform(next)
{
    g_active = this;
}

ResponsiveWaitPlatform::~ResponsiveWaitPlatform()
{
    if (g_active == this) g_active = nullptr;
}

ResponsiveWaitPlatform* ResponsiveWaitPlatform::active()
{
    return g_active;
}

void ResponsiveWaitPlatform::sleepMs(std::uint32_t ms)
{
    if (!onEventLoopThread()) {
        ForwardingPlatform::sleepMs(ms);
        return;
    }
    WaitInputGate gate;
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
        loop.exec();
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
    if (waits_ == 0 || !onEventLoopThread()) return false;
    if (reentry_) {
        reentry_(what);
    } else {
        qCritical("%s while another device operation waits: refused (a missing busy guard)", what);
        Q_ASSERT_X(false, "ResponsiveWaitPlatform", "device operation without the busy guard");
    }
    return true;
}

void ResponsiveWaitPlatform::runBesideTheEventLoop(const std::function<void()>& work)
{
    WaitInputGate gate;
    QEventLoop loop;
    std::atomic<bool> done = false;
    ++waits_;
    std::thread worker([&] {
        work();
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    while (!done) loop.exec();
    worker.join();
    --waits_;
}

void runBesideTheEventLoop(const std::function<void()>& work)
{
    if (ResponsiveWaitPlatform* responsive = ResponsiveWaitPlatform::active())
        responsive->runBesideTheEventLoop(work);
    else
        work();
}
