#pragma once

// The "Range" window: the range view's timed readings plotted over the last
// minute (or a longer span the user picks) against the detection window the
// Sonar page shows, each reading marked in range or not, the latest distance
// in large type, and a plain statement when readings stop. Not modal; it only
// draws the series it is given and saves it as CSV.

#include <QWidget>
#include <cstdint>

class RangeSeries;
class UiServices;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QAreaSeries;
class QScatterSeries;
class QValueAxis;

class RangeWindow : public QWidget {
    Q_OBJECT
public:
    // parent owns the window; it still opens as a window of its own.
    RangeWindow(const RangeSeries& series, UiServices& ui, QWidget* parent = nullptr);

    // Draws the series as it is now.
    void ShowSeries();

protected:
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* createDistance();
    void FollowPalette();
    int legendWidth() const;
    QChartView* createChart();
    QWidget* createControls();

    void ShowLatest();
    void ShowStatus();
    void PlotReadings();
    void PlotDetectionWindow();
    void SaveCsvClicked();
    std::uint64_t spanMs() const;

    const RangeSeries& series_;
    UiServices& ui_;
    QChartView* chart_ = nullptr;
    QLabel* distance_ = nullptr;
    QLabel* inRange_ = nullptr;
    QLabel* status_ = nullptr;
    QComboBox* span_ = nullptr;
    QValueAxis* timeAxis_ = nullptr;
    QLineSeries* path_ = nullptr;
    QScatterSeries* inside_ = nullptr;
    QScatterSeries* outside_ = nullptr;
    QLineSeries* bandLow_ = nullptr;
    QLineSeries* bandHigh_ = nullptr;
    QAreaSeries* band_ = nullptr;
};
