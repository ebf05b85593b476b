// tolvane-sim: the program on virtual sensors, with the "Virtual Sensors"
// window beside the sheet. One sensor of firmware 4.05 is plugged in at start.
// The sheet's "Virtual Sensors" button brings a closed window back.

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "Program.h"
#include "PropSheet.h"
#include "SimDeviceSource.h"
#include "VirtualSensorsWindow.h"
#include "platform/sim/SimPlatform.h"

namespace {

void addBringBackButton(PropSheet& sheet, VirtualSensorsWindow& sensors)
{
    auto* button = new QPushButton(QObject::tr("&Virtual Sensors"));
    button->setObjectName(QStringLiteral("showVirtualSensors"));
    button->setAutoDefault(false);
    button->setToolTip(QObject::tr("Shows the Virtual Sensors window again"));
    QObject::connect(button, &QPushButton::clicked, &sensors, &VirtualSensorsWindow::bringBack);
    sheet.AddButtonRowWidget(button);
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    sim::SimPlatform sim(/*realTime=*/true);
    platform::install(&sim);

    VirtualSensorsWindow sensors(sim);
    sensors.plugSensor(0);

    const int exitCode = RunTolvane(followSimDevices(sim), [&sensors](PropSheet& sheet) {
        addBringBackButton(sheet, sensors);
        sensors.show();
        // Once the modal run has shown the sheet.
        QTimer::singleShot(0, &sensors, [&sensors, &sheet] { sensors.placeWithSheetOnceFramed(sheet); });
    });
    sim.setDeviceListener({});
    return exitCode;
}
