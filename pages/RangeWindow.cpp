#include "RangeWindow.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include "RangeSeries.h"
#include "ReadableColor.h"
#include "UiServices.h"
#include "WindowMemory.h"

namespace {

// Spans the plot offers, the shortest first; the series holds the longest.
struct Span {
    const char* Text;
    std::uint64_t Ms;
};
constexpr Span kSpans[] = {
    {"Last minute", 60'000},
    {"Last 5 minutes", 5 * 60'000},
    {"Last 15 minutes", 15 * 60'000},
};

// Past the farthest distance the sensor reports (one byte of 3.47 units per inch).
constexpr double kTopInches = 80;

// The window's name among those whose place the program remembers.
const QString kWindowName = QStringLiteral("range");

const QColor kInRangeColor(0x1B, 0x7F, 0x2A);
const QColor kOutOfRangeColor(0xC0, 0x4A, 0x00);
const QColor kStoppedColor(0x70, 0x70, 0x70);
const QColor kBandColor(0x1B, 0x7F, 0x2A, 0x38);

double secondsBefore(const RangeReading& reading, std::uint64_t latestMs)
{
    return -static_cast<double>(latestMs - reading.TimeMs) / 1000.0;
}

QLabel* labelWithPixelSize(const QString& name, int pixelSize, bool bold, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

// The colour is the one meant, made readable on the window's background.
void setTextColor(QLabel* label, const QColor& color)
{
    const QColor background = label->window()->palette().color(QPalette::Window);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, readableOn(color, background));
    label->setPalette(palette);
}

}  // namespace

RangeWindow::RangeWindow(const RangeSeries& series, UiServices& ui, QWidget* parent)
    : QWidget(parent, Qt::Window), series_(series), ui_(ui)
{
    setWindowTitle(QStringLiteral("Range"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createDistance());
    layout->addWidget(createChart(), 1);
    layout->addWidget(createControls());
    resize(760, 560);
    restoreWindowPlace(*this, kWindowName);
    FollowPalette();
    ShowSeries();
}

void RangeWindow::hideEvent(QHideEvent* event)
{
    // Minimised is not closed: the place is kept when the window closes.
    if (!event->spontaneous()) saveWindowPlace(*this, kWindowName);
    QWidget::hideEvent(event);
}

void RangeWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        FollowPalette();
        ShowSeries();
    }
}

// The chart is drawn in the window's colour scheme, light or dark, with its
// words readable on it; the legend has the room to show every entry whole.
void RangeWindow::FollowPalette()
{
    const QPalette colours = palette();
    const QColor background = colours.color(QPalette::Base);
    const QColor text = readableOn(colours.color(QPalette::Text), background);
    QChart* chart = chart_->chart();
    chart->setBackgroundBrush(background);
    chart->setPlotAreaBackgroundVisible(false);
    chart->legend()->setLabelColor(text);
    for (QAbstractAxis* axis : chart->axes()) {
        axis->setLabelsColor(text);
        axis->setTitleBrush(text);
        axis->setLinePenColor(colours.color(QPalette::Mid));
        axis->setGridLineColor(colours.color(QPalette::Midlight));
    }
    const QColor inRange = readableOn(kInRangeColor, background);
    inside_->setColor(inRange);
    inside_->setBorderColor(inRange);
    const QColor outOfRange = readableOn(kOutOfRangeColor, background);
    outside_->setColor(outOfRange);
    outside_->setBorderColor(outOfRange);
    path_->setPen(QPen(readableOn(kStoppedColor, background), 1.5));
    band_->setPen(QPen(inRange, 1, Qt::DashLine));
    chart_->setMinimumWidth(legendWidth());
}

// The legend lays its entries out in one row under the plot.
int RangeWindow::legendWidth() const
{
    const QFontMetrics metrics(chart_->chart()->legend()->font());
    constexpr int kMarkerAndGaps = 40;
    constexpr int kChartMargins = 40;
    int width = kChartMargins;
    for (const QAbstractSeries* series : chart_->chart()->series())
        width += metrics.horizontalAdvance(series->name()) + kMarkerAndGaps;
    return width;
}

QWidget* RangeWindow::createDistance()
{
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    // Readable from across the room while the sensor is being placed.
    distance_ = labelWithPixelSize(QStringLiteral("distance"), 96, true, box);
    // As wide as the farthest distance, so the words beside it stay in place.
    distance_->setMinimumWidth(distance_->fontMetrics().horizontalAdvance(QStringLiteral("88 in")));
    inRange_ = labelWithPixelSize(QStringLiteral("inRange"), 32, true, box);
    status_ = labelWithPixelSize(QStringLiteral("status"), 18, false, box);
    status_->setWordWrap(true);
    auto* words = new QVBoxLayout;
    words->addWidget(inRange_);
    words->addWidget(status_);
    layout->addWidget(distance_);
    layout->addSpacing(24);
    layout->addLayout(words, 1);
    return box;
}

QChartView* RangeWindow::createChart()
{
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);

    bandLow_ = new QLineSeries(chart);
    bandHigh_ = new QLineSeries(chart);
    band_ = new QAreaSeries(bandHigh_, bandLow_);
    band_->setObjectName(QStringLiteral("detectionWindow"));
    band_->setBrush(kBandColor);
    band_->setPen(QPen(kInRangeColor, 1, Qt::DashLine));
    path_ = new QLineSeries;
    path_->setObjectName(QStringLiteral("distancePath"));
    path_->setName(QStringLiteral("Distance"));
    path_->setPen(QPen(kStoppedColor, 1.5));
    inside_ = new QScatterSeries;
    inside_->setObjectName(QStringLiteral("inRangeReadings"));
    inside_->setName(QStringLiteral("In range (sensor)"));
    inside_->setColor(kInRangeColor);
    inside_->setBorderColor(kInRangeColor);
    inside_->setMarkerSize(8);
    outside_ = new QScatterSeries;
    outside_->setObjectName(QStringLiteral("outOfRangeReadings"));
    outside_->setName(QStringLiteral("Not in range (sensor)"));
    outside_->setColor(kOutOfRangeColor);
    outside_->setBorderColor(kOutOfRangeColor);
    outside_->setMarkerSize(8);

    timeAxis_ = new QValueAxis(chart);
    timeAxis_->setTitleText(QStringLiteral("Seconds before the latest reading"));
    timeAxis_->setLabelFormat(QStringLiteral("%d"));
    auto* inchAxis = new QValueAxis(chart);
    inchAxis->setTitleText(QStringLiteral("Inches"));
    inchAxis->setRange(0, kTopInches);
    inchAxis->setTickCount(9);
    inchAxis->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(timeAxis_, Qt::AlignBottom);
    chart->addAxis(inchAxis, Qt::AlignLeft);
    for (QAbstractSeries* series : std::initializer_list<QAbstractSeries*>{band_, path_, inside_, outside_}) {
        chart->addSeries(series);
        series->attachAxis(timeAxis_);
        series->attachAxis(inchAxis);
    }

    chart_ = new QChartView(chart, this);
    chart_->setObjectName(QStringLiteral("chart"));
    chart_->setRenderHint(QPainter::Antialiasing);
    chart_->setMinimumSize(480, 280);
    return chart_;
}

QWidget* RangeWindow::createControls()
{
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    span_ = new QComboBox(box);
    span_->setObjectName(QStringLiteral("span"));
    // Named by its label, not by the span it shows.
    span_->setAccessibleName(QStringLiteral("Show"));
    for (const Span& span : kSpans)
        span_->addItem(QString::fromUtf8(span.Text), QVariant::fromValue(span.Ms));
    connect(span_, &QComboBox::currentIndexChanged, this, &RangeWindow::ShowSeries);
    auto* save = new QPushButton(QStringLiteral("Save CSV..."), box);
    save->setObjectName(QStringLiteral("saveCsv"));
    connect(save, &QPushButton::clicked, this, &RangeWindow::SaveCsvClicked);
    layout->addWidget(new QLabel(QStringLiteral("Show:"), box));
    layout->addWidget(span_);
    layout->addStretch(1);
    layout->addWidget(save);
    return box;
}

void RangeWindow::ShowSeries()
{
    ShowLatest();
    ShowStatus();
    PlotReadings();
    PlotDetectionWindow();
}

void RangeWindow::ShowLatest()
{
    const std::optional<RangeReading> latest = series_.latest();
    if (!latest) {
        distance_->setText(QStringLiteral("-- in"));
        inRange_->clear();
        setTextColor(distance_, kStoppedColor);
        return;
    }
    distance_->setText(QStringLiteral("%1 in").arg(latest->Inches));
    inRange_->setText(latest->InRange ? QStringLiteral("In range") : QStringLiteral("Not in range"));
    const QColor color = series_.state() == RangeSeries::State::Stopped ? kStoppedColor
                         : latest->InRange                              ? kInRangeColor
                                                                        : kOutOfRangeColor;
    setTextColor(distance_, color);
    setTextColor(inRange_, color);
}

void RangeWindow::ShowStatus()
{
    switch (series_.state()) {
        case RangeSeries::State::Waiting:
            status_->setText(
                QStringLiteral("Waiting for readings: check \"Auto GetRange\" on the Misc. page."));
            setTextColor(status_, kStoppedColor);
            break;
        case RangeSeries::State::Live:
            status_->setText(QStringLiteral("Reading live."));
            setTextColor(status_, kInRangeColor);
            break;
        case RangeSeries::State::Stopped:
            status_->setText(QStringLiteral("Readings stopped: %1.\nThe plot keeps what was read.")
                                 .arg(QString::fromStdString(series_.stopReason())));
            setTextColor(status_, kOutOfRangeColor);
            break;
    }
}

void RangeWindow::PlotReadings()
{
    const std::uint64_t span = spanMs();
    timeAxis_->setRange(-static_cast<double>(span) / 1000.0, 0);
    QList<QPointF> path, inside, outside;
    if (const std::optional<RangeReading> latest = series_.latest()) {
        for (const RangeReading& reading : series_.recent(span)) {
            const QPointF point(secondsBefore(reading, latest->TimeMs), reading.Inches);
            path.append(point);
            (reading.InRange ? inside : outside).append(point);
        }
    }
    path_->replace(path);
    inside_->replace(inside);
    outside_->replace(outside);
}

void RangeWindow::PlotDetectionWindow()
{
    const DetectionWindow window = series_.window();
    // Without a sensor's configuration there is no window to draw.
    band_->setVisible(window.MaxInches > 0);
    const double left = timeAxis_->min();
    const double right = timeAxis_->max();
    bandLow_->replace({{left, double(window.MinInches)}, {right, double(window.MinInches)}});
    bandHigh_->replace({{left, double(window.MaxInches)}, {right, double(window.MaxInches)}});
    band_->setName(QStringLiteral("Detection window %1 to %2 in (Sonar page)")
                       .arg(window.MinInches)
                       .arg(window.MaxInches));
    chart_->setMinimumWidth(legendWidth());
}

// Written whole or not at all: a failed save leaves no half-written file.
void RangeWindow::SaveCsvClicked()
{
    const QString path = ui_.chooseFileToSave(
        this, QStringLiteral("range-%1.csv").arg(QDate::currentDate().toString(Qt::ISODate)));
    if (path.isEmpty()) return;
    QSaveFile file(path);
    const QByteArray text = QByteArray::fromStdString(series_.csv());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(text) != text.size() ||
        !file.commit()) {
        ui_.messageBox(this, QStringLiteral("Failed to save the readings to %1.").arg(path));
        return;
    }
    // Until the next reading.
    status_->setText(QStringLiteral("Saved the readings to %1").arg(QDir::toNativeSeparators(path)));
}

std::uint64_t RangeWindow::spanMs() const
{
    return span_->currentData().value<std::uint64_t>();
}
