#pragma once

// The sheet shares its sensor with other programs (tolvanectl, a script, the
// plug-in policy). While one of them holds the sensor, the status line says
// the sheet is waiting for it; the windows keep painting because the library
// waits through the platform's responsive sleep. A change another program
// made to the edited sensor is found by the sensor's change stamp, looked at
// once a second while the sheet is idle: a look costs no report.

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class SheetStatusLine;

class OtherPrograms : public QObject {
    Q_OBJECT
public:
    static constexpr int kChangeLookMs = 1000;
    // How long an operation of the sheet waits for a sensor another program holds.
    static constexpr std::uint32_t kWaitLimitMs = 30000;

    // lookNow says whether the sheet is idle with a sensor to look at;
    // changed is told when another program changed that sensor.
    OtherPrograms(SheetStatusLine& statusLine, std::function<bool()> lookNow, std::function<void()> changed,
                  QObject* parent = nullptr);
    ~OtherPrograms() override;

    // One look at the change stamp, as the timer makes it.
    void lookForChanges();

private:
    SheetStatusLine& statusLine_;
    std::function<bool()> lookNow_;
    std::function<void()> changed_;
    QTimer timer_;
    bool waitingShown_ = false;
};

QString WaitingForOtherProgramWords();
