#pragma once

// The thread that runs the event loop and owns every widget. Work on a
// sensor's thread reaches it only by posting; the widgets' entry points that
// such work could reach assert that they run on it.
//
// Asking Qt which thread runs (QThread::currentThread) makes Qt adopt a
// thread it did not start, and on Windows Qt tears an adopted thread's data
// down from a watcher thread of its own once the thread ends, while the GUI
// thread goes on. A sensor's thread therefore never asks Qt: these compare
// the standard library's thread ids.

#include <QtGlobal>

class QEvent;

// Whether the caller runs on the thread that created the application object.
bool onGuiThread();

// Fails in debug builds (the tests) when the caller is not on the GUI thread.
inline void assertOnGuiThread(const char* where)
{
    Q_ASSERT_X(onGuiThread(), where, "a widget reached from a thread other than the GUI thread");
    Q_UNUSED(where);
}

// Qt's queue of posted events hands an event from the thread that posts it
// to the GUI thread under locks of Qt's own, which a thread sanitizer cannot
// see in a Qt not built with it. These tell it: the posting thread calls the
// first just before posting, the GUI thread the second where it first looks
// at the event. Without the sanitizer they do nothing.
void handOverPostedEvent(const QEvent* event);
void takeOverPostedEvent(const QEvent* event);
