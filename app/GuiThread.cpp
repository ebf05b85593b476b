#include "GuiThread.h"

#include <QCoreApplication>
#include <thread>

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
