#pragma once

// The "Virtual Sensors" window of tolvane-sim: plugs and unplugs two
// virtual sensors of its rows, a bench of many more at once and a plain
// keyboard, sets a sensor's firmware version,
// moves its target, switches its extension-set support, and lists every
// report exchanged with the sensors as it happens. Unplug and Plug in take
// the same sensor out and back with its memory; "New sensor" puts a
// factory-fresh one in its place.

#include <QWidget>
#include <array>
#include <optional>
#include <vector>

#include "platform/sim/SimPlatform.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;

class VirtualSensorsWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSensorCount = 2;

    explicit VirtualSensorsWindow(sim::SimPlatform& sim, QWidget* parent = nullptr);
    ~VirtualSensorsWindow() override;

    // Plugs the row's sensor back in, or a new one with the firmware the row
    // shows when the row has none yet. Neither while the row's firmware is no
    // version; the row says so.
    void plugSensor(int row);
    void unplugSensor(int row);
    // Unplugs the row's sensor, if any, and plugs in a factory-fresh one;
    // nothing while the row's firmware is no version.
    void plugNewSensor(int row);
    // Plugs count factory-fresh sensors of firmware 4.05 in at once, beside
    // the rows' sensors; unplugs them all again.
    void plugBench(int count);
    void unplugBench();
    std::size_t benchSize() const { return bench_.size(); }

    // The row's sensor, plugged in or not; none before the first plug.
    std::optional<sim::DeviceId> sensorOf(int row) const { return sensors_[row].Device; }

    // Lays the sheet and this window out on the sheet's screen, frames
    // included (see WindowPlacement.h), and keeps the sheet above this window.
    void placeWithSheet(QWidget& sheet);
    // Places the windows now and again every tenth of a second until the
    // window manager has framed both (at most two seconds): frames arrive
    // only some time after a window is first shown.
    void placeWithSheetOnceFramed(QWidget& sheet);
    // Shows the window again after it was closed or minimised, in front.
    void bringBack();

    // One line of the report list: time, direction, device and the nine bytes.
    static QString formatTransfer(const sim::Transfer& transfer);

private:
    struct SensorRow {
        QGroupBox* Box = nullptr;
        QPushButton* Plug = nullptr;
        QPushButton* New = nullptr;
        QLineEdit* Firmware = nullptr;
        QSpinBox* TargetInches = nullptr;
        QCheckBox* ExtensionSets = nullptr;
        QLabel* State = nullptr;
        std::optional<sim::DeviceId> Device;
    };

    QGroupBox* createSensorRow(int row);
    QGroupBox* createKeyboardRow();
    QGroupBox* createBenchRow();
    QWidget* createReportList();

    bool isPlugged(int row) const;
    void togglePlug(int row);
    void toggleKeyboard();
    void applyFirmware(int row);
    void applyTarget(int row);
    void applyExtensionSets(int row);
    void showSensorState(int row);
    void onTransfer(const sim::Transfer& transfer);

    sim::SimPlatform& sim_;
    std::array<SensorRow, kSensorCount> sensors_;
    QPushButton* keyboardPlug_ = nullptr;
    QSpinBox* benchCount_ = nullptr;
    QLabel* benchState_ = nullptr;
    std::vector<sim::DeviceId> bench_;
    std::optional<sim::DeviceId> keyboard_;
    QPlainTextEdit* reports_ = nullptr;
    bool followReports_ = true;
    QTimer* placing_ = nullptr;
    int placingTries_ = 0;
};
