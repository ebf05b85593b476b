#include "JsonDocuments.h"

#include <cstdio>

#include "ExitCodes.h"
#include "config/FirmwareVersion.h"

namespace cli {

namespace {

std::string HexId(std::uint16_t id)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", unsigned{id});
    return text;
}

}  // namespace

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

Json SensorJson(Session& session, int slot, const SensorConfig* config)
{
    Json sensor;
    sensor["number"] = slot + 1;
    sensor["count"] = session.Count();
    sensor["node"] = session.Node(slot);
    sensor["vendor_id"] = HexId(session.VendorId(slot));
    sensor["product_id"] = HexId(session.ProductId(slot));
    sensor["firmware"] = config ? Json(FirmwareText(config->Fw)) : Json(nullptr);
    sensor["luid"] = config ? Json(config->Luid) : Json(nullptr);
    sensor["extension_sets"] = config ? Json(config->ExtensionSetsRead) : Json(nullptr);
    return sensor;
}

Json ErrorJson(const std::string& message, int exitCode, std::optional<int> slot)
{
    Json error;
    error["message"] = message;
    error["exit_code"] = exitCode;
    error["sensor"] = slot ? Json(*slot + 1) : Json(nullptr);
    return error;
}

Json CompletedDocument(Session& session, Json document, int status, std::optional<int> slot)
{
    const std::string said = session.TakeSaid();
    const bool succeeded = status == kSuccess || status == kChanged;
    document["error"] = succeeded ? Json(nullptr) : ErrorJson(said, status, slot);
    return document;
}

int FinishDocument(Session& session, Json document, int status, std::optional<int> slot, bool indented)
{
    session.Out() << CompletedDocument(session, std::move(document), status, slot).dump(indented ? 2 : -1)
                  << '\n';
    return status;
}

void PrintRunFailure(std::ostream& out, const std::string& message, int exitCode)
{
    Json document;
    document["layout"] = kJsonLayout;
    document["error"] = ErrorJson(message, exitCode, std::nullopt);
    out << document.dump() << '\n';
}

}  // namespace cli
