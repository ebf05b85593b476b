#include "platform/sim/SensorFirmware.h"

namespace sim {

namespace {

constexpr std::uint8_t kCommandBit = 0x80;
constexpr std::uint8_t kExtensionCommand = 0x8B;
constexpr std::uint8_t kInfoCommand = 0x8A;
constexpr std::uint8_t kRangeCommand = 0x8F;
constexpr std::uint8_t kCommitCommand = 0x90;
constexpr std::uint8_t kFactoryResetCommand = 0xA0;
constexpr std::uint8_t kResumeKeysCommand = 0xB0;
constexpr std::uint8_t kHaltKeysCommand = 0xB1;
constexpr std::uint8_t kRestoreUserDefaultsCommand = 0xD0;
constexpr std::uint8_t kSaveUserDefaultsCommand = 0xE0;

constexpr std::uint64_t kAnswerReadyMs = 250;
constexpr std::uint64_t kStoredConfigBusyMs = 2000;

std::optional<HalfId> halfOf(std::uint8_t code, std::uint8_t sub)
{
    switch (code) {
        case 0x80:
            return HalfId::Sonar;
        case 0x81:
            return HalfId::WalkAway1;
        case 0x82:
            return HalfId::WalkAway2;
        case 0x83:
            return HalfId::WalkUp1;
        case 0x84:
            return HalfId::WalkUp2;
        case 0x85:
            return HalfId::Idle;
        case kExtensionCommand:
            switch (sub) {
                case 0x08:
                    return HalfId::WalkAwayEx1;
                case 0x09:
                    return HalfId::WalkAwayEx2;
                case 0x0A:
                    return HalfId::WalkUpEx1;
                case 0x0B:
                    return HalfId::WalkUpEx2;
                default:
                    return std::nullopt;
            }
        default:
            return std::nullopt;
    }
}

std::uint16_t halfBit(HalfId half)
{
    return static_cast<std::uint16_t>(1u << static_cast<int>(half));
}

void updatePendingMask(VirtualSensor& sensor)
{
    sensor.PendingMask = 0;
    for (int i = 0; i < kHalfCount; ++i) {
        const auto half = static_cast<HalfId>(i);
        if (sensor.PendingHalves & halfBit(half)) sensor.PendingMask |= commitBit(half);
    }
}

void dropPending(VirtualSensor& sensor)
{
    sensor.Pending = {};
    sensor.PendingHalves = 0;
    sensor.PendingMask = 0;
}

void commit(VirtualSensor& sensor, std::uint8_t mask)
{
    for (int i = 0; i < kHalfCount; ++i) {
        const auto half = static_cast<HalfId>(i);
        if (!(sensor.PendingHalves & halfBit(half)) || !(mask & commitBit(half))) continue;
        sensor.Config[half] = sensor.Pending[half];
        sensor.Pending[half] = {};
        sensor.PendingHalves &= static_cast<std::uint16_t>(~halfBit(half));
    }
    updatePendingMask(sensor);
}

Half payloadOf(const Report& report)
{
    Half half{};
    for (std::size_t i = 0; i < half.size(); ++i) half[i] = report[i + 1];
    return half;
}

}  // namespace

bool SensorFirmware::receive(VirtualSensor& sensor, const Report& report, std::uint64_t nowMs)
{
    if (busy(nowMs) || report[0] != 0) return false;
    if (report[1] & kCommandBit) {
        outstanding_ = Command{report[1], report[2], nowMs};
        if (refusesOutstanding(sensor)) return false;
        runCommand(sensor, *outstanding_);
        return true;
    }
    if (!outstanding_) return true;
    if (refusesOutstanding(sensor)) return false;
    takeData(sensor, report);
    outstanding_.reset();
    return true;
}

bool SensorFirmware::answer(VirtualSensor& sensor, Report& report, std::uint64_t nowMs)
{
    if (busy(nowMs)) return false;
    report = {};
    if (!outstanding_) return true;
    if (refusesOutstanding(sensor)) return false;
    if (nowMs - outstanding_->SentMs < kAnswerReadyMs) return true;
    fillAnswer(sensor, report);
    outstanding_.reset();
    return true;
}

bool SensorFirmware::refusesOutstanding(const VirtualSensor& sensor) const
{
    return outstanding_ && outstanding_->Code == kExtensionCommand && !sensor.ExtensionSetsSupported;
}

void SensorFirmware::runCommand(VirtualSensor& sensor, const Command& command)
{
    switch (command.Code) {
        case kCommitCommand:
            commit(sensor, command.Sub);
            break;
        case kFactoryResetCommand:
            sensor.Config = sensor.FactoryDefaults;
            dropPending(sensor);
            busyUntilMs_ = command.SentMs + kStoredConfigBusyMs;
            break;
        case kRestoreUserDefaultsCommand:
            sensor.Config = sensor.UserDefaults;
            dropPending(sensor);
            busyUntilMs_ = command.SentMs + kStoredConfigBusyMs;
            break;
        case kSaveUserDefaultsCommand:
            sensor.UserDefaults = sensor.Config;
            dropPending(sensor);
            busyUntilMs_ = command.SentMs + kStoredConfigBusyMs;
            break;
        case kHaltKeysCommand:
            sensor.KeySendsHalted = true;
            break;
        case kResumeKeysCommand:
            sensor.KeySendsHalted = false;
            break;
        default:
            break;
    }
}

void SensorFirmware::takeData(VirtualSensor& sensor, const Report& report) const
{
    if (outstanding_->Code == kInfoCommand) {
        sensor.Luid = static_cast<std::uint16_t>(report[2] | (report[3] << 8));
        return;
    }
    const auto half = halfOf(outstanding_->Code, outstanding_->Sub);
    if (!half) return;
    sensor.Pending[*half] = payloadOf(report);
    sensor.PendingHalves |= halfBit(*half);
    updatePendingMask(sensor);
}

void SensorFirmware::fillAnswer(const VirtualSensor& sensor, Report& report) const
{
    if (outstanding_->Code == kInfoCommand) {
        report[1] = static_cast<std::uint8_t>(sensor.Luid & 0xFF);
        report[2] = static_cast<std::uint8_t>(sensor.Luid >> 8);
        report[3] = static_cast<std::uint8_t>(sensor.FwVersion & 0xFF);
        report[4] = static_cast<std::uint8_t>(sensor.FwVersion >> 8);
        return;
    }
    if (outstanding_->Code == kRangeCommand) {
        report[1] = sensor.targetInRange() ? 0x01 : 0x00;
        report[2] = sensor.TargetRaw;
        return;
    }
    const auto half = halfOf(outstanding_->Code, outstanding_->Sub);
    if (!half) return;
    const Half& content = sensor.Config[*half];
    for (std::size_t i = 0; i < content.size(); ++i) report[i + 1] = content[i];
}

}  // namespace sim
