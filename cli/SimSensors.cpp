#include "SimSensors.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "config/FirmwareVersion.h"

namespace cli {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::uint16_t kDefaultFirmware = 0x0405;
constexpr int kStateLayout = 1;

std::string HalvesText(const sim::SensorHalves& halves)
{
    std::string text;
    char byte[3];
    for (const sim::Half& half : halves.Halves)
        for (std::uint8_t b : half) {
            std::snprintf(byte, sizeof byte, "%02x", unsigned{b});
            text += byte;
        }
    return text;
}

bool ReadHalves(const Json& value, sim::SensorHalves& halves)
{
    constexpr std::size_t kDigits = sim::kHalfCount * sizeof(sim::Half) * 2;
    if (!value.is_string()) return false;
    const std::string text = value.get<std::string>();
    if (text.size() != kDigits || !std::ranges::all_of(text, [](char c) { return std::isxdigit(c) != 0; }))
        return false;
    for (std::size_t i = 0; i < kDigits / 2; ++i)
        halves.Halves[i / sizeof(sim::Half)][i % sizeof(sim::Half)] =
            static_cast<std::uint8_t>(std::stoul(text.substr(2 * i, 2), nullptr, 16));
    return true;
}

Json SensorState(const sim::VirtualSensor& sensor)
{
    return {{"luid", sensor.Luid},
            {"config", HalvesText(sensor.Config)},
            {"user_defaults", HalvesText(sensor.UserDefaults)},
            {"key_sends_halted", sensor.KeySendsHalted}};
}

// The sensor is changed only when every field reads.
bool RestoreSensor(const Json& state, sim::VirtualSensor& sensor)
{
    sim::VirtualSensor restored = sensor;
    if (!state.is_object() || !state.contains("luid") || !state["luid"].is_number_unsigned() ||
        state["luid"].get<std::uint64_t>() > 0xFFFF || !state.contains("key_sends_halted") ||
        !state["key_sends_halted"].is_boolean() ||
        !ReadHalves(state.value("config", Json()), restored.Config) ||
        !ReadHalves(state.value("user_defaults", Json()), restored.UserDefaults))
        return false;
    restored.Luid = state["luid"].get<std::uint16_t>();
    restored.KeySendsHalted = state["key_sends_halted"].get<bool>();
    sensor = restored;
    return true;
}

std::optional<Json> ReadStateFile(const std::string& path, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    try {
        return Json::parse(file);
    } catch (const Json::parse_error&) {
        error = path + ": not a virtual sensors' state file";
        return std::nullopt;
    }
}

}  // namespace

SimSensors MakeSimSensors(const SimOptions& options, std::string& error)
{
    SimSensors sensors;
    auto sim = std::make_unique<sim::SimPlatform>(!options.Instant);
    for (int n = 1; n <= options.Sensors; ++n) {
        std::uint16_t firmware = kDefaultFirmware;
        if (static_cast<std::size_t>(n) <= options.Firmware.size()) {
            const std::optional<std::uint16_t> parsed = ParseFirmware(options.Firmware[n - 1]);
            if (!parsed) {
                error = "--sim-firmware: not a firmware version: " + options.Firmware[n - 1] + " (" +
                        std::string(kFirmwareVersionForm) + ")";
                return {};
            }
            firmware = *parsed;
        }
        const sim::DeviceId id = sim->plugSensor(firmware, static_cast<std::uint16_t>(n));
        sim->sensor(id).ExtensionSetsSupported = !options.RefuseExtensionSets;
        if (std::ranges::find(options.DeniedSensors, n) != options.DeniedSensors.end()) sim->denyAccess(id);
        sim->holdElsewhere(id, sim->nowMs() + options.HeldElsewhereMs);
        sensors.Ids.push_back(id);
    }
    if (options.FailTransfer > 0 && options.FailSensor > 0)
        sim->failTransferOf(sensors.Ids[static_cast<std::size_t>(options.FailSensor - 1)],
                            options.FailTransfer);
    else if (options.FailTransfer > 0)
        sim->failTransfer(options.FailTransfer);
    sensors.Platform = std::move(sim);
    return sensors;
}

bool RestoreSimState(const std::string& path, SimSensors& sensors, std::string& error)
{
    std::error_code missing;
    if (!std::filesystem::exists(path, missing)) return true;
    const std::optional<Json> state = ReadStateFile(path, error);
    if (!state) return false;
    if (!state->is_object() || state->value("layout", Json()) != kStateLayout ||
        !state->contains("sensors") || !(*state)["sensors"].is_array()) {
        error = path + ": not a virtual sensors' state file";
        return false;
    }
    const Json& kept = (*state)["sensors"];
    for (std::size_t n = 0; n < kept.size() && n < sensors.Ids.size(); ++n) {
        if (RestoreSensor(kept[n], sensors.Platform->sensor(sensors.Ids[n]))) continue;
        error = path + ": sensor " + std::to_string(n + 1) + " does not read";
        return false;
    }
    return true;
}

// Sensors the file keeps beyond those of this run stay as kept.
bool KeepSimState(const std::string& path, const SimSensors& sensors, std::string& error)
{
    Json state;
    state["layout"] = kStateLayout;
    state["sensors"] = Json::array();
    for (const sim::DeviceId id : sensors.Ids)
        state["sensors"].push_back(SensorState(sensors.Platform->sensor(id)));
    std::string unread;
    if (const std::optional<Json> old = ReadStateFile(path, unread); old && old->is_object()) {
        const Json kept = old->value("sensors", Json::array());
        for (std::size_t n = sensors.Ids.size(); kept.is_array() && n < kept.size(); ++n)
            state["sensors"].push_back(kept[n]);
    }
    const std::string next = path + ".new";
    {
        std::ofstream file(next, std::ios::binary | std::ios::trunc);
        file << state.dump(2) << '\n';
        if (!file.flush()) {
            error = next + ": " + std::strerror(errno);
            return false;
        }
    }
    std::error_code renamed;
    std::filesystem::rename(next, path, renamed);
    if (!renamed) return true;
    error = path + ": " + renamed.message();
    std::filesystem::remove(next, renamed);
    return false;
}

}  // namespace cli
