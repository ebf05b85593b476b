// tolvane-sim: the program on virtual sensors, with the "Virtual Sensors"
// window beside the sheet. One sensor of firmware 4.05 is plugged in at start.

#include <QApplication>
#include <QTimer>

#include "Program.h"
#include "PropSheet.h"
#include "SimDeviceSource.h"
#include "VirtualSensorsWindow.h"
#include "platform/sim/SimPlatform.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    sim::SimPlatform sim(/*realTime=*/true);
    platform::install(&sim);

    VirtualSensorsWindow sensors(sim);
    sensors.plugSensor(0);

    const int exitCode = RunTolvane(followSimDevices(sim), [&sensors](PropSheet& sheet) {
        sensors.show();
        // Once the modal run has shown the sheet.
        QTimer::singleShot(0, &sensors, [&sensors, &sheet] { sensors.placeBeside(sheet); });
    });
    sim.setDeviceListener({});
    return exitCode;
}
