#include "OtherPrograms.h"

#include "SheetSensors.h"
#include "SheetStatusLine.h"

QString WaitingForOtherProgramWords()
{
    return QStringLiteral("Waiting for another program using the sensor…");
}

OtherPrograms::OtherPrograms(SheetStatusLine& statusLine, SheetSensors& sensors,
                             std::function<bool()> lookNow, std::function<void()> changed, QObject* parent)
    : QObject(parent), sensors_(sensors), lookNow_(std::move(lookNow)), changed_(std::move(changed))
{
    connect(&sensors_, &SheetSensors::otherProgramWaitChanged, &statusLine, [&statusLine](bool waiting) {
        statusLine.showWaiting(waiting ? WaitingForOtherProgramWords() : QString());
    });
    connect(&timer_, &QTimer::timeout, this, &OtherPrograms::lookForChanges);
    timer_.start(kChangeLookMs);
}

void OtherPrograms::lookForChanges()
{
    if (lookNow_() && sensors_.editedChangedElsewhere()) changed_();
}
