#include "SensorText.h"

#include <cstdio>

namespace vmtest {

std::string hexBytes(const std::uint8_t* bytes, std::size_t count)
{
    std::string text;
    char cell[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(cell, sizeof cell, i ? " %02x" : "%02x", bytes[i]);
        text += cell;
    }
    return text;
}

std::string describeSensor(const sim::VirtualSensor& sensor)
{
    static const char* const kHalfNames[sim::kHalfCount] = {
        "Sonar",       "WalkAway1",   "WalkAway2", "WalkUp1",   "WalkUp2",
        "WalkAwayEx1", "WalkAwayEx2", "WalkUpEx1", "WalkUpEx2", "Idle"};
    char line[160];
    std::snprintf(line, sizeof line, "fw=%04x luid=%04x halted=%d pendingHalves=%04x pendingMask=%02x\n",
                  sensor.FwVersion, sensor.Luid, sensor.KeySendsHalted ? 1 : 0, sensor.PendingHalves,
                  sensor.PendingMask);
    std::string text = line;
    const auto describeHalves = [&](const char* prefix, const sim::SensorHalves& halves) {
        for (int i = 0; i < sim::kHalfCount; ++i) {
            const auto& half = halves.Halves[static_cast<std::size_t>(i)];
            text += std::string(prefix) + kHalfNames[i] + "=" + hexBytes(half.data(), half.size()) + "\n";
        }
    };
    describeHalves("config.", sensor.Config);
    describeHalves("user.", sensor.UserDefaults);
    return text;
}

}  // namespace vmtest
