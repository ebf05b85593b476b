#pragma once

// The "Halt Key Sends" box at the left end of the sheet's button row, level
// with the OK button: checking it halts the edited sensor's key sends,
// clearing it resumes them. The box's state when the command is sent is
// what the sensor gets. It is offered while a sensor is edited.

#include <QCheckBox>

class PageHost;
class QPushButton;
class SheetSensors;
class UiServices;

class HaltKeySendsBox : public QCheckBox {
    Q_OBJECT
public:
    static constexpr int kId = 1025;
    // The box sits this far from the sheet's left edge, its bottom this far
    // above the sheet's bottom, as the sheet keeps its button row.
    static constexpr int kLeft = 10;
    static constexpr int kBottom = 8;

    HaltKeySendsBox(QWidget& sheet, const QPushButton& ok, PageHost& host, UiServices& ui,
                    SheetSensors& sensors);

    // Resumes the key sends while they are halted: the sensor left behind,
    // or the sheet closing, types again.
    void resumeIfHalted();

protected:
    // Follows the sheet's resizing, by the OK button.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void sendHaltOrResume();

    const QPushButton& ok_;
    PageHost& host_;
    UiServices& ui_;
    SheetSensors& sensors_;
};
