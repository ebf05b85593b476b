#include "SensorChooser.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

#include "GuiThread.h"

SensorChooser::SensorChooser(QWidget* parent) : QWidget(parent), list_(new QComboBox(this))
{
    list_->setObjectName(QStringLiteral("sensorChooser"));
    list_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* label = new QLabel(tr("&Edit sensor:"), this);
    label->setBuddy(list_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(list_);
    connect(list_, &QComboBox::activated, this, [this](int index) {
        if (index != edited_) emit sensorChosen(index);
    });
    setVisible(false);
}

void SensorChooser::showSensors(const std::vector<SensorFacts>& sensors, std::optional<std::size_t> edited)
{
    assertOnGuiThread("SensorChooser::showSensors");
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (std::size_t i = 0; i < sensors.size(); ++i) list_->addItem(describeSensor(sensors, i));
    edited_ = edited ? static_cast<int>(*edited) : -1;
    list_->setCurrentIndex(edited_);
    setVisible(sensors.size() > 1);
}
