// tolvane on Windows: the program on the sensors attached to this machine.

#include <QApplication>

#include "Program.h"
#include "PropSheet.h"
#include "SingleSheet.h"
#include "Win32DeviceSource.h"
#include "platform/win32/Win32Platform.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    SingleSheet single(SingleSheet::nameForThisSession());
    if (single.raiseRunning()) return 0;
    win32::Win32Platform windows;
    platform::install(&windows);
    return RunTolvane(followWin32Devices(), [&single](PropSheet& sheet) { single.serve(sheet); });
}
