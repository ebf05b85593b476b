#pragma once

// What the sheet says about the sensors: which one it edits (its number of
// how many, firmware, LUID and device node), or why it edits none, with what
// to do about it. The words are built from the sheet's list of open sensors
// and the count of sensors this user may not open.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One open sensor as the library's table holds it.
struct SensorFacts {
    std::uint16_t Firmware = 0;
    std::optional<std::uint16_t> Luid;  // known once the sensor has been read
    std::string Path;
};

// "Sensor 2 of 3: firmware 4.05, LUID 258, /dev/hidraw4".
QString describeSensor(const std::vector<SensorFacts>& sensors, std::size_t index);

// "LUID 258 (/dev/hidraw4)", or the node alone before the LUID is known.
QString sensorName(const SensorFacts& sensor);

// The status of the sensors: the edited one (an index into sensors), or, with
// none edited, "No sensor connected" with how to connect one, or the words for a sensor this user may
// not open. inaccessible counts the present sensors that could not be opened.
QString sensorStatusText(const std::vector<SensorFacts>& sensors, std::optional<std::size_t> edited,
                         std::size_t inaccessible);
