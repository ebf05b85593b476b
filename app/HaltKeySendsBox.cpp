#include "HaltKeySendsBox.h"

#include <QEvent>
#include <QPushButton>

#include "SheetSensors.h"
#include "config/Waits.h"
#include "pages/DeviceOperation.h"
#include "pages/PageHost.h"
#include "platform/Platform.h"

namespace {

QString ResumingKeySendsWords()
{
    return QStringLiteral("Resuming key sends…");
}

}  // namespace

HaltKeySendsBox::HaltKeySendsBox(QWidget& sheet, const QPushButton& ok, PageHost& host, UiServices& ui,
                                 SheetSensors& sensors)
    : QCheckBox(tr("&Halt Key Sends"), &sheet), ok_(ok), host_(host), ui_(ui), sensors_(sensors)
{
    setObjectName(QStringLiteral("ctl%1").arg(kId));
    connect(this, &QCheckBox::clicked, this,
            [this] { host_.whenDeviceIdle([this] { sendHaltOrResume(); }); });
    // Offered once a sensor has been read.
    setEnabled(false);
    place();
    sheet.installEventFilter(this);
}

bool HaltKeySendsBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) place();
    return false;
}

void HaltKeySendsBox::place()
{
    const int height = ok_.height();
    setGeometry(kLeft, parentWidget()->height() - kBottom - height, 2 * ok_.width(), height);
}

void HaltKeySendsBox::sendHaltOrResume()
{
    const bool halt = isChecked();
    const DeviceOperation operation(host_, ui_,
                                    halt ? QStringLiteral("Halting key sends…") : ResumingKeySendsWords());
    // A command the sensor did not take leaves the box as the sensor is.
    if (!sensors_.haltKeySends(halt)) setChecked(!halt);
    platform::current().sleepMs(kKeySendsPauseMs);
}

void HaltKeySendsBox::resumeIfHalted()
{
    if (!isChecked()) return;
    const DeviceOperation operation(host_, ui_, ResumingKeySendsWords());
    sensors_.haltKeySends(false);
    platform::current().sleepMs(kKeySendsPauseMs);
}
