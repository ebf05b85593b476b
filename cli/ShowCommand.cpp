// show: the whole configuration of one sensor, in words or as JSON.
//
// The JSON layout (version 1) is stable: {"layout": 1, "sensor": {...},
// "settings": {NAME: VALUE, ...}, "error": null} with every setting of the
// settings table under its command-line name, values as JsonOf gives them.

#include <iomanip>

#include "Commands.h"
#include "ExitCodes.h"
#include "JsonDocuments.h"
#include "config/FirmwareVersion.h"

namespace cli {

namespace {

// The settings are null when the sensor was not read.
Json ShowDocument(Session& session, std::optional<int> slot, const SensorConfig* config)
{
    Json document;
    document["layout"] = kJsonLayout;
    document["sensor"] = slot ? SensorJson(session, *slot, config) : Json(nullptr);
    Json settings = config ? Json::object() : Json(nullptr);
    if (config)
        for (const Setting& setting : Settings()) settings[setting.Name] = JsonOf(ValueOf(setting, *config));
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
// order, or one JSON array of every sensor's document, a sensor that cannot
// be read with its error. A sensor that cannot be read is said and makes the
// exit status not 0.
int ShowEverySensor(Session& session, const Request& request)
{
    if (const int status = session.OpenSensors(); status != kSuccess) {
        if (request.Json)
            return FinishDocument(session, ShowDocument(session, std::nullopt, nullptr), status, {});
        return status;
    }
    Json documents = Json::array();
    for (int slot = 0; slot < session.Count(); ++slot) documents.push_back(nullptr);
    const std::vector<int> results = session.RunOnEverySensor("Reading every sensor", [&](int slot) -> int {
        SensorConfig config;
        int status = kSuccess;
        if (!session.HoldSensor(slot))
            status = kSensorInUse;
        else if (!session.Read(slot, config))
            status = kDeviceOrFileFailure;
        const bool read = status == kSuccess;
        if (request.Json) {
            documents[static_cast<std::size_t>(slot)] = CompletedDocument(
                session, ShowDocument(session, slot, read ? &config : nullptr), status, slot);
        } else if (read) {
            if (slot > 0) session.Out() << '\n';
            PrintText(session, slot, config);
        }
        return status;
    });
    if (request.Json) session.Out() << documents.dump(2) << '\n';
    return CombinedStatus(results);
}

}  // namespace

int RunShow(Session& session, const Request& request)
{
    if (request.AllSensors) return ShowEverySensor(session, request);
    int status = kSuccess;
    const std::optional<int> slot = ChosenSensor(session, request, status);
    SensorConfig config;
    if (slot && !session.Read(*slot, config)) status = kDeviceOrFileFailure;
    const bool read = status == kSuccess;
    if (request.Json)
        return FinishDocument(session, ShowDocument(session, slot, read ? &config : nullptr), status, slot,
                              true);
    if (read) PrintText(session, *slot, config);
    return status;
}

}  // namespace cli
