// list: every attached sensor on one line, read no further than its device
// info (LUID and firmware), so no parameter block is read; then the sensors
// this user may not open, marked so.

#include <cstdio>

#include "Commands.h"
#include "ExitCodes.h"
#include "JsonDocuments.h"
#include "config/FirmwareVersion.h"
#include "devlib/DevLib.h"
#include "platform/DevicePath.h"

namespace cli {

namespace {

void ListInaccessible(Session& session, bool json)
{
    const std::vector<std::string> paths = session.InaccessiblePaths();
    if (!json)
        for (const std::string& path : paths)
            session.Out() << "-  " << platform::deviceNodeOf(path) << "  " << platform::usbIdsOf(path)
                          << "  not accessible to this user\n";
    if (!paths.empty()) session.SayInaccessible();
}

// What list tells of one sensor; the LUID only when its device info was read.
struct ListedSensor {
    int Status = kSuccess;
    std::uint16_t Firmware = 0;
    std::optional<std::uint16_t> Luid;
};

ListedSensor ReadListed(Session& session, int slot)
{
    if (!session.HoldSensor(slot)) return {kSensorInUse, GetDevFwVersion(), std::nullopt};
    if (ReadDevInfo() == 0)
        return {session.SayFailure(slot, "cannot read the device info of " + session.Name(slot)),
                GetDevFwVersion(), std::nullopt};
    return {kSuccess, GetDevFwVersion(), GetDevLuid()};
}

void PrintListed(Session& session, int slot, const ListedSensor& listed)
{
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", unsigned{session.VendorId(slot)},
                  unsigned{session.ProductId(slot)});
    session.Out() << slot + 1 << "  " << session.Node(slot) << "  " << ids << "  firmware "
                  << FirmwareText(listed.Firmware) << "  LUID "
                  << (listed.Luid ? std::to_string(*listed.Luid) : "unknown") << '\n';
}

Json ListedJson(Session& session, int slot, const ListedSensor& listed)
{
    Json sensor = SensorJson(session, slot, nullptr);
    sensor["firmware"] = FirmwareText(listed.Firmware);
    sensor["luid"] = listed.Luid ? Json(*listed.Luid) : Json(nullptr);
    sensor.erase("extension_sets");
    return sensor;
}

Json InaccessibleJson(Session& session)
{
    Json inaccessible = Json::array();
    for (const std::string& path : session.InaccessiblePaths())
        inaccessible.push_back(
            {{"node", platform::deviceNodeOf(path)}, {"usb_ids", platform::usbIdsOf(path)}});
    return inaccessible;
}

}  // namespace

// With --json: {"layout": 1, "sensors": [...], "inaccessible": [...], "error": ...}.
int RunList(Session& session, const Request& request)
{
    EnumSensors();
    Json document;
    document["layout"] = kJsonLayout;
    document["sensors"] = Json::array();
    if (session.Count() == 0) {
        ListInaccessible(session, request.Json);
        if (session.InaccessiblePaths().empty()) session.Error() << "no sensor connected\n";
        if (!request.Json) return kNoSensor;
        document["inaccessible"] = InaccessibleJson(session);
        return FinishDocument(session, document, kNoSensor, std::nullopt);
    }
    std::vector<ListedSensor> listed(static_cast<std::size_t>(session.Count()));
    const std::vector<int> results = session.RunOnEverySensor("Listing the sensors", [&](int slot) -> int {
        ListedSensor& sensor = listed[static_cast<std::size_t>(slot)];
        sensor = ReadListed(session, slot);
        if (!request.Json) PrintListed(session, slot, sensor);
        return sensor.Status;
    });
    if (request.Json)
        for (int slot = 0; slot < session.Count(); ++slot)
            document["sensors"].push_back(ListedJson(session, slot, listed[static_cast<std::size_t>(slot)]));
    const int result = CombinedStatus(results);
    ListInaccessible(session, request.Json);
    if (!request.Json) return result;
    document["inaccessible"] = InaccessibleJson(session);
    return FinishDocument(session, document, result, std::nullopt);
}

std::optional<int> ChosenSensor(Session& session, const Request& request, int& status)
{
    status = session.OpenSensors();
    if (status != kSuccess) return std::nullopt;
    const std::optional<int> slot = session.Choose(request.Sensor, status);
    if (slot && !session.HoldSensor(*slot)) {
        status = kSensorInUse;
        return std::nullopt;
    }
    return slot;
}

}  // namespace cli
