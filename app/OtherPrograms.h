#pragma once

// The sheet shares its sensors with other programs (tolvanectl, a script,
// the plug-in policy). While one of them holds a sensor the sheet waits for,
// the status line says so; the windows keep painting because the library
// waits through the platform's responsive sleep, or on a sensor's own
// thread. A change another program made to the edited sensor is found by the
// sensor's change stamp, looked at once a second while the sheet is idle: a
// look costs no report.

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class SheetSensors;
class SheetStatusLine;

class OtherPrograms : public QObject {
    Q_OBJECT
public:
    static constexpr int kChangeLookMs = 1000;

    // lookNow says whether the sheet is idle with a sensor to look at;
    // changed is told when another program changed that sensor.
    OtherPrograms(SheetStatusLine& statusLine, SheetSensors& sensors, std::function<bool()> lookNow,
                  std::function<void()> changed, QObject* parent = nullptr);

    // One look at the change stamp, as the timer makes it.
    void lookForChanges();

private:
    SheetSensors& sensors_;
    std::function<bool()> lookNow_;
    std::function<void()> changed_;
    QTimer timer_;
};

QString WaitingForOtherProgramWords();
