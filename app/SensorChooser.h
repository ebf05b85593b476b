#pragma once

// The sensor chooser of the sheet: a list of the open sensors, shown while
// more than one is attached, with the one the sheet edits selected. Choosing
// another only asks for it; the sheet decides whether to switch.

#include <QWidget>
#include <optional>
#include <vector>

#include "SensorStatus.h"

class QComboBox;

class SensorChooser : public QWidget {
    Q_OBJECT
public:
    explicit SensorChooser(QWidget* parent = nullptr);

    // Lists the sensors with the edited one selected; hidden unless there is
    // more than one to choose from.
    void showSensors(const std::vector<SensorFacts>& sensors, std::optional<std::size_t> edited);
    QComboBox* list() const { return list_; }

signals:
    // The user chose the sensor at this index of the list, not the edited one.
    void sensorChosen(int index);

private:
    QComboBox* list_;
    int edited_ = -1;
};
