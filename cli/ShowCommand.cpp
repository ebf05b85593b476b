// show: the whole configuration of one sensor, in words or as JSON.
//
// The JSON layout (version 1) is stable: {"layout": 1, "sensor": {...},
// "settings": {NAME: VALUE, ...}} with every setting of the settings table
// under its command-line name; a number is a number, a switch true or false,
// a delay unit "seconds" or "minutes", key sets an array of strings as set
// takes them, and a setting the sensor does not have null.

#include <cstdio>
#include <iomanip>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "ExitCodes.h"
#include "config/FirmwareVersion.h"

namespace cli {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kJsonLayout = 1;

Json JsonOf(const SettingValue& value)
{
    if (const auto* n = std::get_if<std::uint32_t>(&value)) return *n;
    if (const auto* on = std::get_if<bool>(&value)) return *on;
    if (const auto* unit = std::get_if<std::string>(&value)) return *unit;
    if (const auto* keys = std::get_if<std::vector<KeySet>>(&value)) {
        Json list = Json::array();
        for (const KeySet& keySet : *keys) list.push_back(KeySetText(keySet));
        return list;
    }
    return nullptr;
}

Json SensorJson(Session& session, int slot, const SensorConfig& config)
{
    char id[8];
    Json sensor;
    sensor["number"] = slot + 1;
    sensor["count"] = session.Count();
    sensor["node"] = session.Node(slot);
    std::snprintf(id, sizeof id, "%04x", unsigned{session.VendorId(slot)});
    sensor["vendor_id"] = id;
    std::snprintf(id, sizeof id, "%04x", unsigned{session.ProductId(slot)});
    sensor["product_id"] = id;
    sensor["firmware"] = FirmwareText(config.Fw);
    sensor["luid"] = config.Luid;
    sensor["extension_sets"] = config.ExtensionSetsRead;
    return sensor;
}

Json DocumentOf(Session& session, int slot, const SensorConfig& config)
{
    Json document;
    document["layout"] = kJsonLayout;
    document["sensor"] = SensorJson(session, slot, config);
    Json settings = Json::object();
    for (const Setting& setting : Settings()) settings[setting.Name] = JsonOf(ValueOf(setting, config));
    document["settings"] = settings;
    return document;
}

void PrintText(Session& session, int slot, const SensorConfig& config)
{
    std::ostream& out = session.Out();
    out << "Sensor " << slot + 1 << " of " << session.Count() << ": " << session.Node(slot) << ", firmware "
        << FirmwareText(config.Fw) << ", LUID " << config.Luid << '\n';
    std::string group;
    for (const Setting& setting : Settings()) {
        if (setting.Group != group) {
            group = setting.Group;
            out << '\n' << group << '\n';
        }
        out << "  " << std::left << std::setw(26) << setting.Name << TextOf(setting, config) << '\n';
    }
}

// Every sensor read at once: the text documents one after another in sensor
// order, or one JSON array of the documents of the sensors read. A sensor
// that cannot be read is left out, said, and makes the exit status not 0.
int ShowEverySensor(Session& session, const Request& request)
{
    if (const int status = session.OpenSensors(); status != kSuccess) return status;
    std::vector<Json> documents(static_cast<std::size_t>(session.Count()));
    const std::vector<int> results = session.RunOnEverySensor("Reading every sensor", [&](int slot) -> int {
        SensorConfig config;
        if (!session.HoldSensor(slot)) return kSensorInUse;
        if (!session.Read(slot, config)) return kDeviceOrFileFailure;
        if (request.Json) {
            documents[static_cast<std::size_t>(slot)] = DocumentOf(session, slot, config);
            return kSuccess;
        }
        if (slot > 0) session.Out() << '\n';
        PrintText(session, slot, config);
        return kSuccess;
    });
    if (request.Json) {
        Json array = Json::array();
        for (Json& document : documents)
            if (!document.is_null()) array.push_back(std::move(document));
        session.Out() << array.dump(2) << '\n';
    }
    return CombinedStatus(results);
}

}  // namespace

int RunShow(Session& session, const Request& request)
{
    if (request.AllSensors) return ShowEverySensor(session, request);
    int status = kSuccess;
    const std::optional<int> slot = ChosenSensor(session, request, status);
    if (!slot) return status;
    SensorConfig config;
    if (!session.Read(*slot, config)) return kDeviceOrFileFailure;
    if (request.Json)
        session.Out() << DocumentOf(session, *slot, config).dump(2) << '\n';
    else
        PrintText(session, *slot, config);
    return kSuccess;
}

}  // namespace cli
