#pragma once

// The range plot of the Misc. page: keeps the series of the range view's
// timed readings and the detection window the Sonar page shows, and draws
// them in the "Range" window once the user opens it. It takes no readings of
// its own, so it adds nothing to what is sent to the sensor.

#include <QObject>
#include <QPointer>

#include "RangeSeries.h"

class DetectionWindowEdits;
class RangeView;
class RangeWindow;
class UiServices;
class QWidget;

class RangePlot : public QObject {
    Q_OBJECT
public:
    // owner is the page: the parent of the plot and of its window.
    RangePlot(RangeView& view, const DetectionWindowEdits& detectionWindow, UiServices& ui, QWidget* owner);

    // Opens the "Range" window, or raises it when it is open.
    void Open();

    const RangeSeries& series() const { return series_; }
    // Null until the window was opened first.
    RangeWindow* window() const;

private:
    void AddReading(const RangeReading& reading);
    void Stop(const QString& reason);
    void SetDetectionWindow(const DetectionWindow& window);
    void Redraw();

    RangeSeries series_;
    UiServices& ui_;
    QWidget* owner_;
    QPointer<RangeWindow> window_;
};
