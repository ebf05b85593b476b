#include "SensorStatus.h"

#include <QStringList>

#include "config/FirmwareVersion.h"
#include "platform/DevicePath.h"

namespace {

// Where the README explains the rule that gives the user the sensor's nodes.
const QString kUdevRuleAdvice = QStringLiteral(
    "install the udev rule 70-tolvane.rules and plug the sensor in again (README, \"Real sensors: the "
    "udev rule\")");

}  // namespace

QString describeSensor(const std::vector<SensorFacts>& sensors, std::size_t index)
{
    const SensorFacts& sensor = sensors.at(index);
    QStringList facts{
        QStringLiteral("firmware %1").arg(QString::fromStdString(FirmwareText(sensor.Firmware)))};
    if (sensor.Luid) facts << QStringLiteral("LUID %1").arg(*sensor.Luid);
    facts << QString::fromStdString(platform::deviceNodeOf(sensor.Path));
    return QStringLiteral("Sensor %1 of %2: %3")
        .arg(index + 1)
        .arg(sensors.size())
        .arg(facts.join(QStringLiteral(", ")));
}

QString sensorName(const SensorFacts& sensor)
{
    const QString node = QString::fromStdString(platform::deviceNodeOf(sensor.Path));
    if (!sensor.Luid) return node;
    return QStringLiteral("LUID %1 (%2)").arg(*sensor.Luid).arg(node);
}

QString sensorStatusText(const std::vector<SensorFacts>& sensors, std::optional<std::size_t> edited,
                         std::size_t inaccessible)
{
    if (!edited || *edited >= sensors.size()) {
        if (inaccessible == 0)
            return QStringLiteral(
                "No sensor connected: plug the sensor into a USB port and it is read as soon as it arrives");
        return QStringLiteral("A sensor is connected but this user may not open it: ") + kUdevRuleAdvice;
    }
    QString text = describeSensor(sensors, *edited);
    if (inaccessible > 0) {
        text += QStringLiteral(". %1 more %2 connected that this user may not open: ")
                    .arg(inaccessible)
                    .arg(inaccessible == 1 ? QStringLiteral("sensor") : QStringLiteral("sensors")) +
                kUdevRuleAdvice;
    }
    return text;
}
