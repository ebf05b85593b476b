#pragma once

// The "Virtual Sensors" window of tolvane-sim: plugs and unplugs up to two
// virtual sensors and a plain keyboard, sets a sensor's firmware version,
// moves its target, switches its extension-set support, and lists every
// report exchanged with the sensors as it happens.

#include <QWidget>
#include <array>
#include <optional>

#include "platform/sim/SimPlatform.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

class VirtualSensorsWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSensorCount = 2;

    explicit VirtualSensorsWindow(sim::SimPlatform& sim, QWidget* parent = nullptr);
    ~VirtualSensorsWindow() override;

    // Plugs the sensor of the given row in, with the firmware its row shows.
    void plugSensor(int row);
    void unplugSensor(int row);
    // Lays the sheet and this window out on the sheet's screen without overlap
    // where they fit: this window to the right of the sheet, or, on a screen too
    // narrow for both, the sheet at the top and this window below it.
    void placeBeside(QWidget& sheet);

    // One line of the report list: time, direction, device and the nine bytes.
    static QString formatTransfer(const sim::Transfer& transfer);

private:
    struct SensorRow {
        QGroupBox* Box = nullptr;
        QPushButton* Plug = nullptr;
        QLineEdit* Firmware = nullptr;
        QSpinBox* TargetInches = nullptr;
        QCheckBox* ExtensionSets = nullptr;
        QLabel* State = nullptr;
        std::optional<sim::DeviceId> Device;
    };

    QGroupBox* createSensorRow(int row);
    QGroupBox* createKeyboardRow();
    QWidget* createReportList();

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
    std::optional<sim::DeviceId> keyboard_;
    QPlainTextEdit* reports_ = nullptr;
};
