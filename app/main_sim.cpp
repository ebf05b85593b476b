// tolvane-sim: the program on virtual sensors, with the "Virtual Sensors"
// window beside the sheet.

#include <QApplication>

#include "SimProgram.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    return RunTolvaneSim();
}
