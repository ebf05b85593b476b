#include "ResponsiveWaitPlatform.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "GuiThread.h"

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
    takeOverPostedEvent(event);
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
    if (!onGuiThread()) {
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
    if (!onGuiThread() || waits_ == 0) return false;
    if (reentry_) {
        reentry_(what);
    } else {
        qCritical("%s while another device operation waits: refused (a missing busy guard)", what);
        Q_ASSERT_X(false, "ResponsiveWaitPlatform", "device operation without the busy guard");
    }
    return true;
}

namespace {

// The tasks the threads of a work beside the event loop hand to the thread
// that waits for it. Each handing thread waits until its task has run.
class TaskHandOver {
public:
    // wake is called, under the lock, when a task or the work's end is there.
    explicit TaskHandOver(std::function<void()> wake) : wake_(std::move(wake)) {}

    bool onWaitingThread() const { return std::this_thread::get_id() == waitingThread_; }

    void handOver(const std::function<void()>& task)
    {
        std::unique_lock lock(mutex_);
        Handed handed{&task};
        queue_.push_back(&handed);
        announce();
        changed_.wait(lock, [&handed] { return handed.Ran; });
    }

    void workEnded()
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
        announce();
    }

    // Runs the tasks handed over so far; false once the work has ended and
    // every task has run.
    bool runHandedTasks()
    {
        std::unique_lock lock(mutex_);
        while (!queue_.empty()) {
            Handed* handed = queue_.front();
            queue_.pop_front();
            lock.unlock();
            (*handed->Task)();
            lock.lock();
            handed->Ran = true;
            changed_.notify_all();
        }
        return !ended_;
    }

    // Without an event loop: sleeps until a task or the work's end is there.
    void awaitNews()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return ended_ || !queue_.empty(); });
    }

private:
    struct Handed {
        const std::function<void()>* Task;
        bool Ran = false;
    };

    void announce()
    {
        changed_.notify_all();
        if (wake_) wake_();
    }

    const std::thread::id waitingThread_ = std::this_thread::get_id();
    std::function<void()> wake_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Handed*> queue_;
    bool ended_ = false;
};

// The hand-over of the work beside the event loop, while one runs.
std::atomic<TaskHandOver*> g_handOver = nullptr;

// Runs work on a thread of its own with its hand-over in place; waitForIt
// runs on this thread until the work has ended.
void runOnWorker(TaskHandOver& handOver, const std::function<void()>& work,
                 const std::function<void()>& waitForIt)
{
    // One run at a time: the sheet's busy guard holds back whatever would start another.
    Q_ASSERT_X(g_handOver == nullptr, "runBesideTheEventLoop", "runs beside the event loop nested");
    g_handOver = &handOver;
    std::thread worker([&] {
        work();
        handOver.workEnded();
    });
    waitForIt();
    worker.join();
    g_handOver = nullptr;
}

}  // namespace

void ResponsiveWaitPlatform::runBesideTheEventLoop(const std::function<void()>& work)
{
    WaitInputGate gate;
    QEventLoop loop;
    TaskHandOver handOver([&loop] {
        auto* quit = new QEvent(QEvent::Quit);
        handOverPostedEvent(quit);
        QCoreApplication::postEvent(&loop, quit);
    });
    ++waits_;
    runOnWorker(handOver, work, [&] {
        do loop.exec();
        while (handOver.runHandedTasks());
    });
    --waits_;
}

void runBesideTheEventLoop(const std::function<void()>& work)
{
    if (ResponsiveWaitPlatform* responsive = ResponsiveWaitPlatform::active()) {
        responsive->runBesideTheEventLoop(work);
        return;
    }
    TaskHandOver handOver(nullptr);
    runOnWorker(handOver, work, [&] {
        do handOver.awaitNews();
        while (handOver.runHandedTasks());
    });
}

void runOnTheWaitingThread(const std::function<void()>& task)
{
    TaskHandOver* handOver = g_handOver;
    if (handOver && !handOver->onWaitingThread())
        handOver->handOver(task);
    else
        task();
}
