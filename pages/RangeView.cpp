#include "RangeView.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <limits>

#include "DeviceOperation.h"
#include "PropertyPage.h"
#include "UiServices.h"
#include "config/ConfigModel.h"
#include "config/RangeReading.h"
#include "platform/Platform.h"

namespace {

// The longest period a timer takes; longer rates run at this period.
constexpr std::uint32_t kMaxRateMs = std::numeric_limits<int>::max();
constexpr int kTrapToneHz = 1000;
constexpr int kTrapToneMs = 1000;

QString ReadingWords()
{
    return QStringLiteral("Reading the range…");
}

}  // namespace

RangeView::RangeView(const Controls& controls, ConfigModel& model, UiServices& ui, PageHost& host,
                     QWidget* owner)
    : QObject(owner),
      controls_(controls),
      model_(model),
      ui_(ui),
      host_(host),
      owner_(owner),
      timer_(new QTimer(this))
{
    timer_->setObjectName(QStringLiteral("rangeTimer"));
    connect(timer_, &QTimer::timeout, this, &RangeView::OnTimer);
}

void RangeView::GetRangeClicked()
{
    const DeviceOperation operation(host_, ui_, ReadingWords());
    if (model_.DeviceFw < kRangeReadoutFw) {
        ui_.messageBox(owner_, QString::fromLatin1(kRangeUnsupportedMessage));
        return;
    }
    if (GetRangeInfo(&reading_)) {
        ShowReading();
        return;
    }
    const std::uint32_t status = GetDevStatus();
    // A sensor another program kept past the wait is still attached.
    if (!(status & kStatusSensorInUse)) CloseAllDevices();
    ui_.messageBox(owner_, QString::asprintf("Failed to Get RangeInfo: Err = %08lX",
                                             static_cast<unsigned long>(status)));
}

void RangeView::AutoGetRangeClicked(std::uint32_t rateMs)
{
    if (!controls_.AutoGetRange->isChecked()) {
        StopAutoReadings(QStringLiteral("Auto GetRange was cleared"));
    } else if (rateMs < kMinRangeRateMs) {
        ui_.messageBox(owner_, QString::fromLatin1(kRangeRateMessage), QStringLiteral("Entry Error"),
                       MessageIcon::Exclamation);
        StopAutoReadings();
    } else if (!model_.ConfigLoaded) {
        ui_.messageBox(owner_, QStringLiteral("Device not connected?"), QStringLiteral("Device Error"),
                       MessageIcon::Exclamation);
        StopAutoReadings();
    } else {
        StartAutoReadings(rateMs);
    }
}

void RangeView::SetShown(bool shown)
{
    if (!shown) StopAutoReadings(QStringLiteral("This sensor has no range readout"));
    for (QWidget* control :
         {controls_.Group, static_cast<QWidget*>(controls_.GetRange), static_cast<QWidget*>(controls_.Text),
          static_cast<QWidget*>(controls_.AutoGetRange), controls_.Rate, controls_.RateLabel}) {
        control->setVisible(shown);
        if (shown) control->setEnabled(true);
    }
    // While readings run or are trapped the box is checked, and "Get Range"
    // stays disabled until the user clears it.
    if (shown) controls_.GetRange->setEnabled(!controls_.AutoGetRange->isChecked());
}

// The first reading comes one period after the start.
void RangeView::StartAutoReadings(std::uint32_t rateMs)
{
    controls_.GetRange->setEnabled(false);
    timer_->start(static_cast<int>(std::min(rateMs, kMaxRateMs)));
}

// reason is announced when timed readings were running.
void RangeView::StopAutoReadings(const QString& reason)
{
    if (timer_->isActive()) emit ReadingsStopped(reason);
    timer_->stop();
    controls_.GetRange->setEnabled(true);
    controls_.AutoGetRange->setChecked(false);
}

// The library is left open and the box checked: the user sees the trap and
// clears the box to return to single readings. A period that ends while
// another device operation runs is skipped: the next one reads.
void RangeView::OnTimer()
{
    if (host_.deviceBusy()) return;
    // A reading that finds the sensor in another program's hands is skipped, not waited for.
    const DevOperation sensorFree(DevOperation::DoNotWait);
    if (!sensorFree.held()) return;
    const DeviceOperation operation(host_, ui_, ReadingWords());
    if (GetRangeInfo(&reading_)) {
        ShowReading();
        emit ReadingTaken({platform::current().nowMs(), reading_.Distance, reading_.InRange != 0,
                           static_cast<std::uint8_t>(reading_.RangeFlags)});
        return;
    }
    timer_->stop();
    emit ReadingsStopped(QStringLiteral("Failed GetRange in onTimer"));
    ui_.tone(kTrapToneHz, kTrapToneMs);
    ui_.messageBox(owner_, QStringLiteral("Failed GetRange in onTimer"), QStringLiteral("Device Trap"),
                   MessageIcon::Exclamation);
}

void RangeView::ShowReading()
{
    readingsOf_ = host_.editedSensor();
    controls_.Text->setText(QString::fromStdString(RangeText(reading_)));
    controls_.Text->setToolTip(QStringLiteral("Read from %1").arg(readingsOf_.Name));
}

void RangeView::FollowEditedSensor()
{
    const EditedSensor edited = host_.editedSensor();
    if (readingsOf_.Node.isEmpty() || edited.Node.isEmpty() || edited.Node == readingsOf_.Node) return;
    StopAutoReadings(
        QStringLiteral("they came from %1, which is no longer the sensor edited").arg(readingsOf_.Name));
    controls_.Text->clear();
    controls_.Text->setToolTip(QString());
    readingsOf_ = {};
}
