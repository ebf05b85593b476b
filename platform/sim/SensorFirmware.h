#pragma once

// The device side of the report protocol: how a virtual sensor takes command
// and data reports and answers reads. Internal to the sim backend.

#include <cstdint>
#include <optional>

#include "platform/sim/SimPlatform.h"

namespace sim {

class SensorFirmware {
public:
    // A report sent to the sensor; false when the sensor refuses it.
    bool receive(VirtualSensor& sensor, const Report& report, std::uint64_t nowMs);
    // A report read from the sensor; false when the sensor refuses the read.
    bool answer(VirtualSensor& sensor, Report& report, std::uint64_t nowMs);

private:
    struct Command {
        std::uint8_t Code = 0;
        std::uint8_t Sub = 0;
        std::uint64_t SentMs = 0;
    };

    bool busy(std::uint64_t nowMs) const { return nowMs < busyUntilMs_; }
    bool refusesOutstanding(const VirtualSensor& sensor) const;
    void runCommand(VirtualSensor& sensor, const Command& command);
    void takeData(VirtualSensor& sensor, const Report& report) const;
    void fillAnswer(const VirtualSensor& sensor, Report& report) const;

    std::optional<Command> outstanding_;  // the last command, until answered or given its data
    std::uint64_t busyUntilMs_ = 0;       // stored-configuration commands keep the sensor busy
};

}  // namespace sim
