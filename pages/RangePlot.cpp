#include "RangePlot.h"

#include "DetectionWindowEdits.h"
#include "RangeView.h"
#include "RangeWindow.h"

RangePlot::RangePlot(RangeView& view, const DetectionWindowEdits& detectionWindow, UiServices& ui,
                     QWidget* owner)
    : QObject(owner), ui_(ui), owner_(owner)
{
    series_.setWindow(detectionWindow.current());
    connect(&view, &RangeView::ReadingTaken, this, &RangePlot::AddReading);
    connect(&view, &RangeView::ReadingsStopped, this, &RangePlot::Stop);
    connect(&detectionWindow, &DetectionWindowEdits::changed, this, &RangePlot::SetDetectionWindow);
}

void RangePlot::Open()
{
    if (!window_) window_ = new RangeWindow(series_, ui_, owner_);
    window_->ShowSeries();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

RangeWindow* RangePlot::window() const
{
    return window_;
}

void RangePlot::AddReading(const RangeReading& reading)
{
    series_.add(reading);
    Redraw();
}

void RangePlot::Stop(const QString& reason)
{
    series_.stop(reason.toStdString());
    Redraw();
}

void RangePlot::SetDetectionWindow(const DetectionWindow& window)
{
    series_.setWindow(window);
    Redraw();
}

void RangePlot::Redraw()
{
    if (window_ && window_->isVisible()) window_->ShowSeries();
}
