#include "VirtualSensorsWindow.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMargins>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ResponsiveWaitPlatform.h"
#include "WindowPlacement.h"
#include "config/FirmwareVersion.h"
#include "devlib/DevLib.h"

namespace {

constexpr std::uint16_t kDefaultFirmware = 0x0405;
// A plain keyboard: any identifiers that are not the sensor's.
constexpr std::uint16_t kKeyboardVendor = 0x1234;
constexpr std::uint16_t kKeyboardProduct = 0x5678;
// The farthest target the sensor's one byte of distance units holds.
constexpr int kMaxTargetInches = static_cast<int>(255 / sim::kUnitsPerInch);
constexpr int kMaxReportLines = 5000;
constexpr int kPlacingIntervalMs = 100;
constexpr int kPlacingTries = 20;

QString firmwareText(std::uint16_t firmware)
{
    return QString::fromStdString(FirmwareText(firmware));
}

std::optional<std::uint16_t> firmwareOf(const QLineEdit& field)
{
    return ParseFirmware(field.text().toStdString());
}

// The part of a device path after its last '#': "sim1" of "\\?\HID#Vid_fff0&Pid_0001#sim1".
QString deviceName(const std::string& path)
{
    return QString::fromStdString(path.substr(path.rfind('#') + 1));
}

int targetInches(const sim::VirtualSensor& sensor)
{
    return static_cast<int>(std::lround(sensor.TargetRaw / sim::kUnitsPerInch));
}

// Every row has the same buttons and fields: a screen reader names each
// after the box it stands in ("Sensor 2: Plug in"), or the user cannot tell
// them apart.
void nameAfterBox(QWidget* control, const QString& what)
{
    const auto* box = qobject_cast<const QGroupBox*>(control->parentWidget());
    control->setAccessibleName(box ? box->title() + QStringLiteral(": ") + what : what);
}

// A button's text, and its name after its box.
void setButtonText(QPushButton* button, const QString& text)
{
    button->setText(text);
    nameAfterBox(button, text);
}

}  // namespace

VirtualSensorsWindow::VirtualSensorsWindow(sim::SimPlatform& sim, QWidget* parent)
    : QWidget(parent), sim_(sim)
{
    setWindowTitle(tr("Virtual Sensors"));
    auto* layout = new QVBoxLayout(this);
    auto* devices = new QHBoxLayout;
    for (int row = 0; row < kSensorCount; ++row) devices->addWidget(createSensorRow(row));
    devices->addWidget(createKeyboardRow(), 0, Qt::AlignTop);
    devices->addWidget(createBenchRow(), 0, Qt::AlignTop);
    layout->addLayout(devices);
    layout->addWidget(createReportList(), 1);
    // Transfers of sensors read at once come from their own threads.
    sim_.setTransferListener([this](const sim::Transfer& transfer) {
        QMetaObject::invokeMethod(this, [this, transfer] { onTransfer(transfer); });
    });
    // The user's hand on the hardware: a sensor can be pulled out while the
    // sheet waits in the middle of an operation.
    WaitInputGate::takeInputDuringWaits(*this);
}

VirtualSensorsWindow::~VirtualSensorsWindow()
{
    sim_.setTransferListener({});
}

QGroupBox* VirtualSensorsWindow::createSensorRow(int row)
{
    SensorRow& sensor = sensors_[row];
    sensor.Box = new QGroupBox(tr("Sensor %1").arg(row + 1), this);
    sensor.Plug = new QPushButton(sensor.Box);
    setButtonText(sensor.Plug, tr("Plug in"));
    sensor.New = new QPushButton(sensor.Box);
    setButtonText(sensor.New, tr("New sensor"));
    sensor.New->setToolTip(tr("Unplugs this sensor and plugs in a factory-fresh one in its place"));
    sensor.Firmware = new QLineEdit(firmwareText(kDefaultFirmware), sensor.Box);
    sensor.Firmware->setToolTip(
        tr("The firmware version the sensor reports from its next read onwards, such as 4.05"));
    sensor.TargetInches = new QSpinBox(sensor.Box);
    sensor.TargetInches->setRange(0, kMaxTargetInches);
    sensor.TargetInches->setSuffix(tr(" in"));
    sensor.TargetInches->setValue(targetInches(sim::VirtualSensor{}));
    sensor.ExtensionSets = new QCheckBox(tr("Supports extension sets"), sensor.Box);
    sensor.ExtensionSets->setChecked(true);
    sensor.State = new QLabel(tr("Not plugged in"), sensor.Box);
    sensor.State->setWordWrap(true);
    nameAfterBox(sensor.Firmware, tr("Firmware"));
    nameAfterBox(sensor.TargetInches, tr("Target"));
    nameAfterBox(sensor.ExtensionSets, sensor.ExtensionSets->text());

    const QString number = QString::number(row + 1);
    sensor.Plug->setObjectName(QStringLiteral("plugSensor") + number);
    sensor.New->setObjectName(QStringLiteral("newSensor") + number);
    sensor.Firmware->setObjectName(QStringLiteral("firmware") + number);
    sensor.State->setObjectName(QStringLiteral("state") + number);
    sensor.TargetInches->setObjectName(QStringLiteral("target") + number);
    sensor.ExtensionSets->setObjectName(QStringLiteral("extensionSets") + number);

    auto* form = new QFormLayout(sensor.Box);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(sensor.Plug);
    buttons->addWidget(sensor.New);
    form->addRow(buttons);
    form->addRow(tr("Firmware"), sensor.Firmware);
    form->addRow(tr("Target"), sensor.TargetInches);
    form->addRow(sensor.ExtensionSets);
    form->addRow(sensor.State);

    connect(sensor.Plug, &QPushButton::clicked, this, [this, row] { togglePlug(row); });
    connect(sensor.New, &QPushButton::clicked, this, [this, row] { plugNewSensor(row); });
    connect(sensor.Firmware, &QLineEdit::editingFinished, this, [this, row] { applyFirmware(row); });
    connect(sensor.TargetInches, &QSpinBox::valueChanged, this, [this, row] { applyTarget(row); });
    connect(sensor.ExtensionSets, &QCheckBox::toggled, this, [this, row] { applyExtensionSets(row); });
    return sensor.Box;
}

QGroupBox* VirtualSensorsWindow::createKeyboardRow()
{
    auto* box = new QGroupBox(tr("Keyboard"), this);
    keyboardPlug_ = new QPushButton(box);
    setButtonText(keyboardPlug_, tr("Plug in"));
    keyboardPlug_->setObjectName(QStringLiteral("plugKeyboard"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(keyboardPlug_);
    layout->addWidget(new QLabel(tr("A plain keyboard,\nnot a sensor"), box));
    connect(keyboardPlug_, &QPushButton::clicked, this, &VirtualSensorsWindow::toggleKeyboard);
    return box;
}

QGroupBox* VirtualSensorsWindow::createBenchRow()
{
    auto* box = new QGroupBox(tr("Bench"), this);
    benchCount_ = new QSpinBox(box);
    benchCount_->setObjectName(QStringLiteral("benchCount"));
    benchCount_->setRange(1, kMaxDevices);
    benchCount_->setValue(kMaxDevices / 4);
    nameAfterBox(benchCount_, tr("Sensors to plug in"));
    auto* plug = new QPushButton(box);
    setButtonText(plug, tr("Plug in"));
    plug->setObjectName(QStringLiteral("plugBench"));
    plug->setToolTip(tr("Plugs this many factory-fresh sensors in at once"));
    auto* unplug = new QPushButton(tr("Unplug all"), box);
    unplug->setObjectName(QStringLiteral("unplugBench"));
    benchState_ = new QLabel(tr("None plugged in"), box);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(benchCount_);
    layout->addWidget(plug);
    layout->addWidget(unplug);
    layout->addWidget(benchState_);
    connect(plug, &QPushButton::clicked, this, [this] { plugBench(benchCount_->value()); });
    connect(unplug, &QPushButton::clicked, this, &VirtualSensorsWindow::unplugBench);
    return box;
}

void VirtualSensorsWindow::plugBench(int count)
{
    for (int i = 0; i < count; ++i) bench_.push_back(sim_.plugSensor(kDefaultFirmware));
    benchState_->setText(tr("%n plugged in", nullptr, static_cast<int>(bench_.size())));
}

void VirtualSensorsWindow::unplugBench()
{
    for (const sim::DeviceId id : std::exchange(bench_, {})) sim_.unplug(id);
    benchState_->setText(tr("None plugged in"));
}

QWidget* VirtualSensorsWindow::createReportList()
{
    auto* box = new QGroupBox(tr("Reports"), this);
    reports_ = new QPlainTextEdit(box);
    reports_->setObjectName(QStringLiteral("reports"));
    reports_->setReadOnly(true);
    reports_->setMaximumBlockCount(kMaxReportLines);
    reports_->setLineWrapMode(QPlainTextEdit::NoWrap);
    reports_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    reports_->setMinimumWidth(reports_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 60);
    auto* clear = new QPushButton(tr("Clear"), box);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(reports_);
    layout->addWidget(clear, 0, Qt::AlignRight);
    connect(clear, &QPushButton::clicked, reports_, &QPlainTextEdit::clear);
    // The list follows new reports until the user scrolls away from the end,
    // and again once the user scrolls back to it.
    QScrollBar* bar = reports_->verticalScrollBar();
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, bar] { followReports_ = bar->sliderPosition() >= bar->maximum(); });
    return box;
}

bool VirtualSensorsWindow::isPlugged(int row) const
{
    const std::optional<sim::DeviceId> device = sensors_[row].Device;
    if (!device) return false;
    const std::vector<sim::DeviceId> plugged = sim_.pluggedDevices();
    return std::ranges::find(plugged, *device) != plugged.end();
}

void VirtualSensorsWindow::plugSensor(int row)
{
    SensorRow& sensor = sensors_[row];
    if (isPlugged(row)) return;
    const std::optional<std::uint16_t> firmware = firmwareOf(*sensor.Firmware);
    if (!firmware) {
        showSensorState(row);
        return;
    }
    if (sensor.Device)
        sim_.replug(*sensor.Device);
    else
        sensor.Device = sim_.plugSensor(*firmware);
    // The sheet reads the sensor only once the arrival reaches it, so these
    // are in place for that read.
    applyFirmware(row);
    applyTarget(row);
    applyExtensionSets(row);
    setButtonText(sensor.Plug, tr("Unplug"));
    showSensorState(row);
}

void VirtualSensorsWindow::unplugSensor(int row)
{
    SensorRow& sensor = sensors_[row];
    if (!isPlugged(row)) return;
    sim_.unplug(*sensor.Device);
    setButtonText(sensor.Plug, tr("Plug in"));
    showSensorState(row);
}

void VirtualSensorsWindow::plugNewSensor(int row)
{
    // The sensor in place stays when its replacement cannot be made.
    if (!firmwareOf(*sensors_[row].Firmware)) {
        showSensorState(row);
        return;
    }
    unplugSensor(row);
    sensors_[row].Device.reset();
    plugSensor(row);
}

void VirtualSensorsWindow::togglePlug(int row)
{
    if (isPlugged(row))
        unplugSensor(row);
    else
        plugSensor(row);
}

void VirtualSensorsWindow::toggleKeyboard()
{
    if (keyboard_) {
        sim_.unplug(*keyboard_);
        keyboard_.reset();
        setButtonText(keyboardPlug_, tr("Plug in"));
    } else {
        keyboard_ = sim_.plugKeyboard(kKeyboardVendor, kKeyboardProduct);
        setButtonText(keyboardPlug_, tr("Unplug"));
    }
}

void VirtualSensorsWindow::applyFirmware(int row)
{
    SensorRow& sensor = sensors_[row];
    const std::optional<std::uint16_t> firmware = firmwareOf(*sensor.Firmware);
    if (sensor.Device && firmware) sim_.sensor(*sensor.Device).FwVersion = *firmware;
    showSensorState(row);
}

void VirtualSensorsWindow::applyTarget(int row)
{
    SensorRow& sensor = sensors_[row];
    if (sensor.Device) sim_.sensor(*sensor.Device).setTargetInches(sensor.TargetInches->value());
    showSensorState(row);
}

void VirtualSensorsWindow::applyExtensionSets(int row)
{
    SensorRow& sensor = sensors_[row];
    if (sensor.Device) sim_.sensor(*sensor.Device).ExtensionSetsSupported = sensor.ExtensionSets->isChecked();
}

void VirtualSensorsWindow::showSensorState(int row)
{
    SensorRow& sensor = sensors_[row];
    QStringList state;
    if (!isPlugged(row)) {
        state << (sensor.Device ? tr("Unplugged, keeps its memory") : tr("Not plugged in"));
    } else {
        const sim::VirtualSensor& device = sim_.sensor(*sensor.Device);
        state << tr("device %1").arg(deviceName(sim_.pathOf(*sensor.Device)));
        state << tr("firmware %1, LUID %2").arg(firmwareText(device.FwVersion)).arg(device.Luid);
        state << (device.targetInRange() ? tr("target in range") : tr("target out of range"));
        if (device.KeySendsHalted) state << tr("key sends halted");
    }
    // Shown for as long as the field holds it: neither plugging in nor the
    // sensor's firmware takes it.
    if (!firmwareOf(*sensor.Firmware)) {
        state << tr("Not a firmware version: %1 (%2)")
                     .arg(sensor.Firmware->text(),
                          QString::fromUtf8(kFirmwareVersionForm.data(),
                                            static_cast<qsizetype>(kFirmwareVersionForm.size())));
    }
    sensor.State->setText(state.join(QLatin1Char('\n')));
}

QString VirtualSensorsWindow::formatTransfer(const sim::Transfer& transfer)
{
    QStringList bytes;
    for (std::uint8_t byte : transfer.Bytes) bytes << QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0'));
    return QStringLiteral("%1 s  %2  %3  %4%5")
        .arg(transfer.TimeMs / 1000.0, 9, 'f', 3)
        .arg(transfer.Dir == sim::Transfer::Get ? QStringLiteral("get") : QStringLiteral("set"))
        .arg(deviceName(transfer.Path), -8)
        .arg(bytes.join(QLatin1Char(' ')).toUpper())
        .arg(transfer.Ok ? QString() : tr("  failed"));
}

void VirtualSensorsWindow::onTransfer(const sim::Transfer& transfer)
{
    reports_->appendPlainText(formatTransfer(transfer));
    if (followReports_) reports_->verticalScrollBar()->setValue(reports_->verticalScrollBar()->maximum());
    for (int row = 0; row < kSensorCount; ++row) showSensorState(row);
}

namespace {

// The window's frame around its client area, as the window system reports
// it now (a widget's own frame geometry can lag behind the window manager).
QMargins frameMarginsOf(const QWidget& window)
{
    const QWindow* handle = window.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

// Puts a window's frame at the rectangle given; the client area is what is
// set, since not every window manager places a frame by its own corner.
void setFrame(QWidget& window, const QRect& frame, const QMargins& margins)
{
    window.setGeometry(frame.marginsRemoved(margins));
}

}  // namespace

void VirtualSensorsWindow::placeWithSheet(QWidget& sheet)
{
    const QMargins own = frameMarginsOf(*this);
    const QMargins sheetMargins = frameMarginsOf(sheet);
    const SensorsWindowSizes sizes{sizeHint().grownBy(own), minimumSizeHint().grownBy(own), own.top()};
    const QRect available = sheet.screen()->availableGeometry();
    const QSize sheetFrame = sheet.size().grownBy(sheetMargins);
    const WindowFrames frames = placeSheetAndSensors(available, sheetFrame, sizes);
    setFrame(sheet, frames.Sheet, sheetMargins);
    setFrame(*this, frames.Sensors, own);
    sheet.raise();
}

void VirtualSensorsWindow::placeWithSheetOnceFramed(QWidget& sheet)
{
    if (!placing_) {
        placing_ = new QTimer(this);
        placing_->setInterval(kPlacingIntervalMs);
    }
    placing_->disconnect();
    placingTries_ = 0;
    connect(placing_, &QTimer::timeout, this, [this, &sheet] {
        placeWithSheet(sheet);
        const bool framed = !frameMarginsOf(sheet).isNull() && !frameMarginsOf(*this).isNull();
        if (framed || ++placingTries_ >= kPlacingTries) placing_->stop();
    });
    placeWithSheet(sheet);
    placing_->start();
}

void VirtualSensorsWindow::bringBack()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}
