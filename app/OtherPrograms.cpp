#include "OtherPrograms.h"

#include "SheetStatusLine.h"
#include "devlib/DevLib.h"

QString WaitingForOtherProgramWords()
{
    return QStringLiteral("Waiting for another program using the sensor…");
}

OtherPrograms::OtherPrograms(SheetStatusLine& statusLine, std::function<bool()> lookNow,
                             std::function<void()> changed, QObject* parent)
    : QObject(parent), statusLine_(statusLine), lookNow_(std::move(lookNow)), changed_(std::move(changed))
{
    tsSensorWait wait;
    wait.LimitMs = kWaitLimitMs;
    wait.Waiting = [this](const char*, std::uint32_t) {
        if (waitingShown_) return;
        waitingShown_ = true;
        statusLine_.beginActivity(WaitingForOtherProgramWords());
    };
    wait.WaitOver = [this] {
        waitingShown_ = false;
        statusLine_.endActivity();
    };
    SetSensorWait(std::move(wait));

    connect(&timer_, &QTimer::timeout, this, &OtherPrograms::lookForChanges);
    timer_.start(kChangeLookMs);
}

OtherPrograms::~OtherPrograms()
{
    SetSensorWait({});
}

void OtherPrograms::lookForChanges()
{
    if (lookNow_() && DevChangedElsewhere()) changed_();
}
