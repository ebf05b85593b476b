#include "DesiredConfig.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "config/TemplateFile.h"

namespace cli {

namespace {

using Json = nlohmann::ordered_json;

// A settings document is a few kilobytes; a longer file is refused unread.
constexpr std::uintmax_t kMaxDocumentBytes = 64 * 1024;
constexpr int kDocumentLayout = 1;

// A regular file whose first character that is not blank opens a JSON object.
// Anything else (a folder, a pipe, a template) goes to the template reader,
// which names what is wrong with it.
bool LooksLikeJson(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::ifstream file(path, std::ios::binary);
    char c = 0;
    while (file.get(c))
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return c == '{';
    return false;
}

// The value as set would take it: 14, on, "128 ms", "LGUI+L, K", none.
std::optional<std::string> TypedValue(const Json& value)
{
    if (value.is_number_unsigned()) return std::to_string(value.get<std::uint64_t>());
    if (value.is_boolean()) return value.get<bool>() ? "on" : "off";
    if (value.is_string()) return value.get<std::string>();
    if (!value.is_array()) return std::nullopt;
    std::string keys;
    for (const Json& keySet : value) {
        if (!keySet.is_string()) return std::nullopt;
        keys += (keys.empty() ? "" : ", ") + keySet.get<std::string>();
    }
    return keys.empty() ? "none" : keys;
}

std::optional<Json> ParseDocument(const std::string& path, std::string& failure)
{
    std::error_code error;
    if (std::filesystem::file_size(path, error) > kMaxDocumentBytes) {
        failure = path + ": longer than a settings document can be";
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    try {
        return Json::parse(text);
    } catch (const Json::parse_error& e) {
        failure = path + ": not valid JSON: " + e.what();
        return std::nullopt;
    }
}

// The document's outline: {"layout": 1, "settings": {...}}, and "sensor" and
// "error" as show prints them, which are not applied.
bool CheckOutline(const Json& document, const std::string& path, std::string& failure)
{
    if (!document.is_object() || !document.contains("settings") || !document["settings"].is_object()) {
        failure = path + ": expected an object with \"settings\", as show --json prints it";
        return false;
    }
    if (document.contains("layout") && document["layout"] != kDocumentLayout) {
        failure = path + ": layout " + document["layout"].dump() + " is not one this tolvanectl reads (" +
                  std::to_string(kDocumentLayout) + ")";
        return false;
    }
    for (const auto& [key, value] : document.items()) {
        if (key == "layout" || key == "settings" || key == "sensor" || key == "error") continue;
        failure = path + ": unknown field \"" + key + "\"";
        return false;
    }
    return true;
}

}  // namespace

std::optional<DesiredConfig> DesiredConfig::Read(const std::string& path, std::string& failure)
{
    DesiredConfig desired;
    desired.path_ = path;
    if (!LooksLikeJson(path)) return desired;
    desired.template_ = false;
    const std::optional<Json> document = ParseDocument(path, failure);
    if (!document || !CheckOutline(*document, path, failure)) return std::nullopt;
    for (const auto& [name, value] : (*document)["settings"].items()) {
        // Null: a setting the sensor the document came from does not have.
        if (value.is_null() || name == "luid") continue;
        const std::optional<std::string> typed = TypedValue(value);
        const Setting* setting = FindSetting(name);
        if (!setting) {
            failure = path + ": no setting named " + name;
            return std::nullopt;
        }
        if (!typed) {
            failure = path + ": " + name + ": not a value of this setting: " + value.dump();
            return std::nullopt;
        }
        if (!setting->Settable) {
            desired.expected_.push_back({setting, *typed});
            continue;
        }
        std::string error;
        std::optional<Assignment> assignment = ParseAssignment(name + "=" + *typed, error);
        if (!assignment) {
            failure = path + ": " + error;
            return std::nullopt;
        }
        desired.assignments_.push_back(std::move(*assignment));
    }
    return desired;
}

bool DesiredConfig::PutOver(SensorConfig& config, std::vector<std::string>& notes, std::string& failure) const
{
    if (template_) return ReadTemplateValues(path_, config.Blocks, &failure) != 0;
    for (const Expected& expected : expected_) {
        const std::string held = ArgumentTextOf(*expected.Target, config);
        if (held == expected.Typed) continue;
        failure = std::string(expected.Target->Name) + ": read only; the sensor holds " + held + ", not " +
                  expected.Typed;
        return false;
    }
    const CollectResult collected = CollectAssignments(config, assignments_);
    notes = collected.Notes;
    for (const std::string& error : collected.Errors) failure += (failure.empty() ? "" : "; ") + error;
    return collected.Ok;
}

}  // namespace cli
