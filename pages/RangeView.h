#pragma once

// The "View Range" group of the Misc. page: one reading with "Get Range", or
// repeated readings with "Auto GetRange" at the period in "msec Rate".
//
// States: idle (no timer, "Get Range" enabled, box clear); running (timer,
// "Get Range" disabled, box checked); trapped after a failed timed reading
// (no timer, "Get Range" disabled, box checked) until the user clears the box.
// Each timed reading, and the end of the timed readings, is announced for the
// range plot, which adds no readings of its own.

#include <QObject>
#include <cstdint>

#include "PageHost.h"
#include "RangeSeries.h"
#include "devlib/DevLib.h"

class ConfigModel;
class UiServices;
class QAbstractButton;
class QLineEdit;
class QTimer;
class QWidget;

class RangeView : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QWidget* Group;
        QAbstractButton* GetRange;
        QLineEdit* Text;
        QAbstractButton* AutoGetRange;
        QWidget* Rate;
        QWidget* RateLabel;
    };

    // owner is the page: the parent of the view and of its message boxes;
    // host runs its readings as device operations.
    RangeView(const Controls& controls, ConfigModel& model, UiServices& ui, PageHost& host, QWidget* owner);

    void GetRangeClicked();
    // The box was clicked; rateMs is the number in "msec Rate".
    void AutoGetRangeClicked(std::uint32_t rateMs);
    // Shows and enables the group, or hides it and ends the automatic readings.
    void SetShown(bool shown);
    // A reading belongs to the sensor it came from: once the pages edit
    // another sensor, the reading shown is cleared and timed readings stop,
    // saying whose they were. Without a sensor, timed readings end in their
    // trap as before.
    void FollowEditedSensor();

signals:
    void ReadingTaken(const RangeReading& reading);
    // The timed readings ended: the box was cleared, a reading failed or the
    // group was hidden. reason is a phrase without a full stop.
    void ReadingsStopped(const QString& reason);

private:
    void StartAutoReadings(std::uint32_t rateMs);
    void StopAutoReadings(const QString& reason = {});
    void OnTimer();
    void ShowReading();

    Controls controls_;
    ConfigModel& model_;
    UiServices& ui_;
    PageHost& host_;
    QWidget* owner_;
    QTimer* timer_;
    tsRangeInfo reading_{};
    EditedSensor readingsOf_;
};
