#include "SimProgram.h"

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

int RunTolvaneSim(const std::function<void(PropSheet&, VirtualSensorsWindow&)>& beforeRun)
{
    sim::SimPlatform sim(/*realTime=*/true);
    platform::install(&sim);

    VirtualSensorsWindow sensors(sim);
    sensors.plugSensor(0);

    const int exitCode = RunTolvane(followSimDevices(sim), [&sensors, &beforeRun](PropSheet& sheet) {
        addBringBackButton(sheet, sensors);
        sensors.show();
        // Once the modal run has shown the sheet.
        QTimer::singleShot(0, &sensors, [&sensors, &sheet] { sensors.placeWithSheetOnceFramed(sheet); });
        if (beforeRun) beforeRun(sheet, sensors);
    });
    sim.setDeviceListener({});
    return exitCode;
}
