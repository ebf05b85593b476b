// tolvane: the program on the sensors attached to this machine (hidraw).

#include <QApplication>

#include "HidrawDeviceSource.h"
#include "Program.h"
#include "PropSheet.h"
#include "SingleSheet.h"
#include "platform/hidraw/HidrawPlatform.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // Matches the window to its desktop entry (its icon and name) on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("tolvane"));
    hidraw::HidrawPlatform hidraw;
    platform::install(&hidraw);
    SingleSheet single(SingleSheet::nameForThisSession());
    if (single.raiseRunning()) return 0;
    return RunTolvane(followHidrawDevices(), [&single](PropSheet& sheet) { single.serve(sheet); });
}
