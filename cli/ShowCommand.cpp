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

}  // namespace

int RunShow(Session& session, const Request& request)
{
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
