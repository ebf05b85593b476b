#pragma once

// The settings tolvanectl shows and sets, named as on its command line, each
// read from a sensor's configuration in the units the pages show it in, and
// the collect pass that puts typed values into a configuration with the same
// limits and corrections the pages apply.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "config/ConfigModel.h"
#include "config/KeyNames.h"

namespace cli {

// One sensor's configuration as read, with what decides which settings it has.
struct SensorConfig {
    ConfigSet Blocks{};
    std::uint16_t Luid = 0;
    std::int32_t Fw = 0;
    std::int16_t Variant = -1;
    bool ExtensionSetsRead = true;  // false when the sensor did not answer them
};

enum class SettingKind { Number, Switch, DelayUnit, Keys };

// Not on this sensor, a number, on/off, "seconds"/"minutes", or key sets.
using SettingValue = std::variant<std::monostate, std::uint32_t, bool, std::string, std::vector<KeySet>>;

struct Setting {
    const char* Name;
    const char* Group;  // the page that shows it
    SettingKind Kind;
    const char* Unit;  // after a number: "inches", "ms", "seconds"; null for none
    bool Settable;
    SettingValue (*Read)(const SensorConfig& config);
    // The unit when it follows the configuration (the detection delays); null: Unit.
    const char* (*UnitFor)(const SensorConfig& config) = nullptr;
};

// Every setting, in page order.
std::span<const Setting> Settings();
const Setting* FindSetting(std::string_view name);

SettingValue ValueOf(const Setting& setting, const SensorConfig& config);
// The value as a person reads it: "14 inches", "on", "LGUI+L, K", "none".
std::string TextOf(const Setting& setting, const SensorConfig& config);
// The value as set takes it: "14", "on", "LGUI+L, K", "none" for no key set.
std::string ArgumentTextOf(const Setting& setting, const SensorConfig& config);

// One NAME=VALUE of the command line.
struct Assignment {
    const Setting* Target;
    SettingValue Value;
    std::string Typed;
    std::string Unit;  // typed after a number ("128 ms"); empty when none was
};
// nullopt with error set for an unknown name, a read-only setting or a value
// of the wrong kind.
std::optional<Assignment> ParseAssignment(std::string_view text, std::string& error);

struct CollectResult {
    bool Ok = true;
    bool Unavailable = false;         // a setting this sensor does not have (else a refused value)
    std::vector<std::string> Errors;  // every setting refused, "NAME: why"
    std::vector<std::string> Notes;   // corrections, said back
    std::vector<const Setting*> Set;  // the settings given, in the order first given
};
// Puts the assigned values into config the way the pages collect them; a
// later value for the same setting overrides an earlier one. With Ok false
// config may be partly changed and must not be written.
CollectResult CollectAssignments(SensorConfig& config, std::span<const Assignment> assignments);

}  // namespace cli
