#include "GuiThread.h"

#include <QCoreApplication>
#include <thread>

#if defined(__SANITIZE_THREAD__)
#define TOLVANE_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TOLVANE_THREAD_SANITIZER 1
#endif
#endif
#ifdef TOLVANE_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace {

// Noted once, as the application object is created, before any other thread starts.
std::thread::id g_guiThread;

void noteGuiThread()
{
    g_guiThread = std::this_thread::get_id();
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(noteGuiThread)

bool onGuiThread()
{
    return std::this_thread::get_id() == g_guiThread;
}

void handOverPostedEvent([[maybe_unused]] const QEvent* event)
{
#ifdef TOLVANE_THREAD_SANITIZER
    __tsan_release(const_cast<QEvent*>(event));
#endif
}

void takeOverPostedEvent([[maybe_unused]] const QEvent* event)
{
#ifdef TOLVANE_THREAD_SANITIZER
    __tsan_acquire(const_cast<QEvent*>(event));
#endif
}
