#pragma once

// Fixture and helpers shared by the device library tests: a fresh simulated
// platform and library state per test, and the transcript of the transfers
// as readable lines with their virtual times.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "devlib/DevLib.h"
#include "platform/ForwardingPlatform.h"
#include "platform/sim/SimPlatform.h"

namespace devlib_test {

using sim::Report;

inline constexpr std::uint64_t kExchangeMs = 250;
inline constexpr std::uint64_t kCommandWaitMs = 2000;

inline Report commandReport(std::uint8_t command, std::uint8_t sub = 0)
{
    return {0, command, sub, 0, 0, 0, 0, 0, 0};
}

inline Report dataReport(const sim::Half& data)
{
    Report report{};
    for (std::size_t i = 0; i < data.size(); ++i) report[i + 1] = data[i];
    return report;
}

inline std::string hexBytes(const Report& bytes)
{
    std::string text;
    for (std::uint8_t byte : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", byte);
        text += hex;
    }
    return text;
}

// "+250 get 00 7d ..." with the time relative to the start; failed transfers end in " failed".
inline std::string transferLine(std::uint64_t at, bool get, const Report& bytes, bool ok)
{
    std::string line = "+";
    line += std::to_string(at);
    line += get ? " get" : " set";
    line += hexBytes(bytes);
    if (!ok) line += " failed";
    return line;
}

inline std::string describe(const sim::Transfer& transfer, std::uint64_t start)
{
    return transferLine(transfer.TimeMs - start, transfer.Dir == sim::Transfer::Get, transfer.Bytes,
                        transfer.Ok);
}

// The expected transfers of a protocol run, built exchange by exchange.
class Wire {
public:
    Wire& set(const Report& report, bool ok = true) { return add(false, report, ok); }
    Wire& get(const Report& report, bool ok = true) { return add(true, report, ok); }
    Wire& wait(std::uint64_t ms)
    {
        now_ += ms;
        return *this;
    }
    Wire& readExchange(std::uint8_t command, std::uint8_t sub, const sim::Half& answer)
    {
        return set(commandReport(command, sub)).wait(kExchangeMs).get(dataReport(answer));
    }
    Wire& writeExchange(std::uint8_t command, std::uint8_t sub, const sim::Half& data)
    {
        return set(commandReport(command, sub)).wait(kExchangeMs).set(dataReport(data));
    }
    // The eleven exchanges of a complete read of a sensor holding config.
    Wire& completeRead(const sim::VirtualSensor& sensor);

    const std::vector<std::string>& lines() const { return lines_; }

private:
    Wire& add(bool get, const Report& report, bool ok)
    {
        lines_.push_back(transferLine(now_, get, report, ok));
        return *this;
    }
    std::uint64_t now_ = 0;
    std::vector<std::string> lines_;
};

inline sim::Half infoAnswer(const sim::VirtualSensor& sensor)
{
    return {static_cast<std::uint8_t>(sensor.Luid & 0xFF),
            static_cast<std::uint8_t>(sensor.Luid >> 8),
            static_cast<std::uint8_t>(sensor.FwVersion & 0xFF),
            static_cast<std::uint8_t>(sensor.FwVersion >> 8),
            0,
            0,
            0,
            0};
}

inline Wire& Wire::completeRead(const sim::VirtualSensor& sensor)
{
    using sim::HalfId;
    const sim::SensorHalves& c = sensor.Config;
    return readExchange(0x80, 0, c[HalfId::Sonar])
        .readExchange(0x81, 0, c[HalfId::WalkAway1])
        .readExchange(0x82, 0, c[HalfId::WalkAway2])
        .readExchange(0x83, 0, c[HalfId::WalkUp1])
        .readExchange(0x84, 0, c[HalfId::WalkUp2])
        .readExchange(0x8B, 0x08, c[HalfId::WalkAwayEx1])
        .readExchange(0x8B, 0x09, c[HalfId::WalkAwayEx2])
        .readExchange(0x8B, 0x0A, c[HalfId::WalkUpEx1])
        .readExchange(0x8B, 0x0B, c[HalfId::WalkUpEx2])
        .readExchange(0x85, 0, c[HalfId::Idle])
        .readExchange(0x8A, 0, infoAnswer(sensor));
}

// The six blocks of the current slot, fetched or stored together.
struct Blocks {
    tsSonarParms Sonar{};
    tsWalkAwayParms WalkAway{};
    tsWalkUpParms WalkUp{};
    tsWalkAwayParmsEx WalkAwayEx{};
    tsWalkUpParmsEx WalkUpEx{};
    tsIdleParms Idle{};

    bool fetch()
    {
        return GetSonarParms(&Sonar) && GetWalkAwayParms(&WalkAway) && GetWalkUpParms(&WalkUp) &&
               GetWalkAwayParmsEx(&WalkAwayEx) && GetWalkUpParmsEx(&WalkUpEx) && GetIdleParms(&Idle);
    }
    bool store() const
    {
        return SetSonarParms(&Sonar) && SetWalkAwayParms(&WalkAway) && SetWalkUpParms(&WalkUp) &&
               SetWalkAwayParmsEx(&WalkAwayEx) && SetWalkUpParmsEx(&WalkUpEx) && SetIdleParms(&Idle);
    }
    friend bool operator==(const Blocks&, const Blocks&) = default;
};

// A platform in front of the sim that can show a device under another path,
// fail to provide the set of present devices, or replace the next answer the
// sensor gives. Everything else goes to the sim, whose transcript stays the
// record of what travelled.
class ScriptedPlatform : public platform::ForwardingPlatform {
public:
    explicit ScriptedPlatform(sim::SimPlatform& sim) : ForwardingPlatform(sim) {}

    // Presents the sim device at simPath under shownPath instead.
    void showUnder(const std::string& shownPath, const std::string& simPath)
    {
        aliases_[shownPath] = simPath;
    }
    void loseDeviceSet() { noDeviceSet_ = true; }
    void replaceNextAnswer(const Report& report) { nextAnswer_ = report; }

    std::optional<std::vector<std::string>> presentKeyboardPaths() override
    {
        if (noDeviceSet_) return std::nullopt;
        auto paths = ForwardingPlatform::presentKeyboardPaths();
        if (!paths) return paths;
        for (std::string& path : *paths) {
            for (const auto& [shown, real] : aliases_) {
                if (path == real) path = shown;
            }
        }
        return paths;
    }
    platform::Handle open(const std::string& path) override
    {
        const auto alias = aliases_.find(path);
        return ForwardingPlatform::open(alias == aliases_.end() ? path : alias->second);
    }
    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override
    {
        const bool ok = ForwardingPlatform::getFeature(handle, report);
        if (ok && nextAnswer_) {
            std::copy(nextAnswer_->begin(), nextAnswer_->end(), report.begin());
            nextAnswer_.reset();
        }
        return ok;
    }

private:
    std::map<std::string, std::string> aliases_;
    bool noDeviceSet_ = false;
    std::optional<Report> nextAnswer_;
};

class DevLibTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::install(&sim);
        ResetLibState();
        LibState().Setup = tsSetupBinding{};
    }

    // Closes what the test opened; the sim stays installed until the next
    // test installs its own.
    void TearDown() override { CloseAllDevices(); }

    // Plugs a sensor, opens every sensor and reads them; the transcript then starts empty.
    sim::DeviceId openSensor(std::uint16_t fwVersion = 0x0405)
    {
        const sim::DeviceId id = sim.plugSensor(fwVersion);
        EXPECT_EQ(OpenSensors(nullptr), 1);
        sim.clearTranscript();
        return id;
    }

    sim::VirtualSensor& sensor(sim::DeviceId id) { return sim.sensor(id); }
    tsDevSlot& slot(int index = 0) { return LibState().Slots[index]; }

    // The transcript since the last clear, times relative to its first transfer.
    std::vector<std::string> wire() const
    {
        std::vector<std::string> lines;
        const auto& transfers = sim.transcript();
        if (transfers.empty()) return lines;
        for (const sim::Transfer& transfer : transfers)
            lines.push_back(describe(transfer, transfers.front().TimeMs));
        return lines;
    }

    sim::SimPlatform sim;
    // Installed in place of the sim by the tests that need it.
    ScriptedPlatform scripted{sim};
};

}  // namespace devlib_test
