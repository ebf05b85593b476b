#include "Settings.h"

#include <algorithm>
#include <map>

#include "NumberArgument.h"
#include "config/ByteLimits.h"
#include "config/DeadTargetDelta.h"
#include "config/DetectionWindow.h"
#include "config/FirmwareVersion.h"
#include "config/KeySequence.h"
#include "config/SonarSettings.h"

namespace cli {

namespace {

using namespace sonar;

bool FullLayout(const SensorConfig& c)
{
    return c.Variant != kCompactDeviceVariant;
}

// Where this sensor keeps a Sonar setting, or null when it has none.
const SonarSetting* OnThisSensor(const SonarSetting& setting, const SensorConfig& c)
{
    if (setting.FullLayoutOnly && !FullLayout(c)) return nullptr;
    return OnFirmware(setting, c.Fw);
}

SettingValue Number(std::uint32_t n)
{
    return SettingValue(std::in_place_type<std::uint32_t>, n);
}

SettingValue Switch(bool on)
{
    return SettingValue(std::in_place_type<bool>, on);
}

SettingValue KeysOf(const std::uint16_t (&words)[16], const KeyBlockLayout& layout)
{
    return KeySetsOf(ConstKeyBlock(words), layout);
}

// The page shows a delay below the sensor's smallest as that smallest.
SettingValue KeyDelayOf(std::uint16_t delay)
{
    return Number(std::max(delay, kMinInterKeyDelay));
}

template <const SonarSetting& Unit>
const char* DelayUnit(const SensorConfig& c)
{
    return IsOn(c.Blocks, Unit) ? "minutes" : "seconds";
}

template <const SonarSetting& Unit>
SettingValue DelayUnitOf(const SensorConfig& c)
{
    return SettingValue(std::string(DelayUnit<Unit>(c)));
}

template <const SonarSetting& S>
SettingValue SonarNumber(const SensorConfig& c)
{
    const SonarSetting* where = OnThisSensor(S, c);
    return where ? Number(ValueIn(c.Blocks, *where)) : SettingValue{};
}

template <const SonarSetting& S>
SettingValue SonarSwitch(const SensorConfig& c)
{
    const SonarSetting* where = OnThisSensor(S, c);
    return where ? Switch(IsOn(c.Blocks, *where)) : SettingValue{};
}

SettingValue DeadTargetDeltaOf(const SensorConfig& c)
{
    const SettingValue units = SonarNumber<kDeadTargetDelta>(c);
    if (const auto* n = std::get_if<std::uint32_t>(&units))
        return Number(DeltaInchesFromUnits(static_cast<std::uint16_t>(*n)));
    return units;
}

const Setting kSettings[] = {
    {"walk-away-keys", "Walk-Away", SettingKind::Keys, nullptr, true,
     [](const SensorConfig& c) { return KeysOf(c.Blocks.WalkAway.Words, kBaseKeyLayout); }},
    {"walk-away-ext-keys", "Walk-Away", SettingKind::Keys, nullptr, true,
     [](const SensorConfig& c) {
         return c.ExtensionSetsRead ? KeysOf(c.Blocks.WalkAwayEx.Words, kExtensionKeyLayout) : SettingValue{};
     }},
    {"walk-away-key-delay", "Walk-Away", SettingKind::Number, "ms", true,
     [](const SensorConfig& c) { return KeyDelayOf(c.Blocks.WalkAway[InterKeyDelayWA]); }},
    {"fault-send-rate", "Walk-Away", SettingKind::Number, "seconds", true,
     [](const SensorConfig& c) { return Number(c.Blocks.WalkAway[MinFltRepRate]); }},

    {"walk-to-keys", "Walk-To", SettingKind::Keys, nullptr, true,
     [](const SensorConfig& c) { return KeysOf(c.Blocks.WalkUp.Words, kBaseKeyLayout); }},
    {"walk-to-ext-keys", "Walk-To", SettingKind::Keys, nullptr, true,
     [](const SensorConfig& c) {
         return c.ExtensionSetsRead ? KeysOf(c.Blocks.WalkUpEx.Words, kExtensionKeyLayout) : SettingValue{};
     }},
    {"walk-to-key-delay", "Walk-To", SettingKind::Number, "ms", true,
     [](const SensorConfig& c) { return KeyDelayOf(c.Blocks.WalkUp[InterKeyDelayWU]); }},

    {kMinDistance.Name, "Sonar", SettingKind::Number, "inches", true, SonarNumber<kMinDistance>},
    {kMaxDistance.Name, "Sonar", SettingKind::Number, "inches", true, SonarNumber<kMaxDistance>},
    {kInRangeDelay.Name, "Sonar", SettingKind::Number, nullptr, true, SonarNumber<kInRangeDelay>,
     DelayUnit<kInRangeDelayUnit>},
    {kInRangeDelayUnit.Name, "Sonar", SettingKind::DelayUnit, nullptr, true, DelayUnitOf<kInRangeDelayUnit>},
    {kOutOfRangeDelay.Name, "Sonar", SettingKind::Number, nullptr, true, SonarNumber<kOutOfRangeDelay>,
     DelayUnit<kOutOfRangeDelayUnit>},
    {kOutOfRangeDelayUnit.Name, "Sonar", SettingKind::DelayUnit, nullptr, true,
     DelayUnitOf<kOutOfRangeDelayUnit>},
    {kPowerUpDelay.Name, "Sonar", SettingKind::Number, "seconds", true, SonarNumber<kPowerUpDelay>},
    {kPingRate.Name, "Sonar", SettingKind::Number, "ms", true, SonarNumber<kPingRate>},
    {kInRangeLed.Name, "Sonar", SettingKind::Switch, nullptr, true, SonarSwitch<kInRangeLed>},
    {kOutOfRangeLed.Name, "Sonar", SettingKind::Switch, nullptr, true, SonarSwitch<kOutOfRangeLed>},
    {kTransitionLed.Name, "Sonar", SettingKind::Switch, nullptr, true, SonarSwitch<kTransitionLed>},
    {kMinDistanceFault.Name, "Sonar", SettingKind::Switch, nullptr, true, SonarSwitch<kMinDistanceFault>},
    {kDeadTarget.Name, "Sonar", SettingKind::Switch, nullptr, true, SonarSwitch<kDeadTarget>},
    {kDeadTargetDelta.Name, "Sonar", SettingKind::Number, "inches", true, DeadTargetDeltaOf},
    {kDeadTargetTime.Name, "Sonar", SettingKind::Number, "seconds", true, SonarNumber<kDeadTargetTime>},

    {"luid", "Misc.", SettingKind::Number, nullptr, true,
     [](const SensorConfig& c) { return Number(c.Luid); }},
    {"keep-alive-rate", "Misc.", SettingKind::Number, "seconds", false,
     [](const SensorConfig& c) { return Number(c.Blocks.Idle[PressRateI]); }},
    {"keep-alive-key", "Misc.", SettingKind::Keys, nullptr, false,
     [](const SensorConfig& c) {
         const KeySet key{static_cast<std::uint8_t>(c.Blocks.Idle[Key1ModsI] & 0xFF),
                          static_cast<std::uint8_t>(c.Blocks.Idle[Key1CodeI] & 0xFF)};
         return SettingValue(IsDefined(key) ? std::vector<KeySet>{key} : std::vector<KeySet>{});
     }},
};

std::string KeysText(const std::vector<KeySet>& keySets)
{
    std::string text;
    for (const KeySet& keySet : keySets) {
        if (!text.empty()) text += ", ";
        text += KeySetText(keySet);
    }
    return text;
}

std::string Lowered(std::string_view text)
{
    std::string lowered(text);
    std::ranges::transform(lowered, lowered.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

std::string_view Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::optional<bool> ParseSwitch(std::string_view text)
{
    const std::string word = Lowered(text);
    for (std::string_view on : {"on", "yes", "true", "1"})
        if (word == on) return true;
    for (std::string_view off : {"off", "no", "false", "0"})
        if (word == off) return false;
    return std::nullopt;
}

std::optional<std::string> ParseDelayUnit(std::string_view text)
{
    const std::string word = Lowered(text);
    if (word == "seconds" || word == "sec" || word == "s") return "seconds";
    if (word == "minutes" || word == "min" || word == "m") return "minutes";
    return std::nullopt;
}

// A number as typed, or as show prints it: "128" or "128 ms". The unit, when
// given, goes into unit.
std::optional<std::uint32_t> ParseNumber(std::string_view typed, std::string& unit)
{
    typed = Trimmed(typed);
    const std::size_t blank = typed.find(' ');
    if (blank != std::string_view::npos) unit = Lowered(Trimmed(typed.substr(blank)));
    return ReadNumberArgument(typed.substr(0, blank));
}

// Key sets as set takes them, or "none" as show prints no key set.
std::optional<std::vector<KeySet>> ParseKeys(std::string_view typed, std::string& why)
{
    if (Lowered(Trimmed(typed)) == "none") return std::vector<KeySet>{};
    return ParseKeySequence(typed, &why);
}

std::optional<SettingValue> ParseValue(const Setting& setting, std::string_view typed, std::string& unit,
                                       std::string& why)
{
    switch (setting.Kind) {
        case SettingKind::Number:
            if (const auto n = ParseNumber(typed, unit)) return Number(*n);
            why = "not a number: " + std::string(typed);
            break;
        case SettingKind::Switch:
            if (const auto on = ParseSwitch(typed)) return Switch(*on);
            why = "expected on or off: " + std::string(typed);
            break;
        case SettingKind::DelayUnit:
            if (const auto delayUnit = ParseDelayUnit(typed)) return SettingValue(*delayUnit);
            why = "expected seconds or minutes: " + std::string(typed);
            break;
        case SettingKind::Keys:
            if (auto keys = ParseKeys(typed, why)) return SettingValue(std::move(*keys));
            break;
    }
    return std::nullopt;
}

// A unit typed after a number must be the one the setting is counted in; a
// detection delay's unit follows its unit setting and is checked when collected.
bool UnitFits(const Setting& setting, const std::string& unit, std::string& why)
{
    if (unit.empty() || setting.UnitFor) return true;
    if (setting.Unit && unit == setting.Unit) return true;
    why = setting.Unit ? "counted in " + std::string(setting.Unit) + ", not " + unit
                       : "a plain number, not " + unit;
    return false;
}

// The collect pass: the pages' collect steps in page order, over the values
// the command line gave.
class Collector {
public:
    Collector(SensorConfig& config, std::span<const Assignment> assignments, CollectResult& result)
        : c_(config), r_(result)
    {
        for (const Assignment& a : assignments) {
            if (!typed_.contains(a.Target->Name)) r_.Set.push_back(a.Target);
            typed_[a.Target->Name] = &a;
        }
    }

    void Run()
    {
        if (!AllAvailable()) return;
        CollectKeyPage(c_.Blocks.WalkAway.Words, c_.Blocks.WalkAwayEx.Words, "walk-away");
        CollectFaultSendRate();
        CollectKeyPage(c_.Blocks.WalkUp.Words, c_.Blocks.WalkUpEx.Words, "walk-to");
        CollectSonar();
        CollectIdle();
        CollectLuid();
    }

private:
    const Assignment* Typed(const std::string& name) const
    {
        const auto it = typed_.find(name);
        return it == typed_.end() ? nullptr : it->second;
    }
    std::optional<std::uint32_t> TypedNumber(const std::string& name) const
    {
        const Assignment* a = Typed(name);
        if (!a) return std::nullopt;
        return std::get<std::uint32_t>(a->Value);
    }
    std::optional<bool> TypedSwitch(const std::string& name) const
    {
        const Assignment* a = Typed(name);
        if (!a) return std::nullopt;
        if (a->Target->Kind == SettingKind::DelayUnit) return std::get<std::string>(a->Value) == "minutes";
        return std::get<bool>(a->Value);
    }

    void Refuse(const std::string& name, const std::string& why)
    {
        r_.Ok = false;
        r_.Errors.push_back(name + ": " + why);
    }

    // A number the pages changed on its way in, said back.
    void NoteIfCorrected(const std::string& name, std::uint32_t kept, std::string_view message = {})
    {
        const Assignment* a = Typed(name);
        if (!a || std::get<std::uint32_t>(a->Value) == kept) return;
        std::string note = name + ": ";
        if (!message.empty()) note += std::string(message) + " (";
        note += "corrected from " + a->Typed + " to " + std::to_string(kept);
        if (!message.empty()) note += ")";
        r_.Notes.push_back(note);
    }

    std::uint32_t Corrected(const std::string& name, std::uint32_t current, std::uint32_t limit)
    {
        const std::uint32_t kept = HeldAt(TypedNumber(name).value_or(current), limit);
        NoteIfCorrected(name, kept);
        return kept;
    }

    std::uint32_t Noted(const std::string& name, const limits::HeldNumber& held)
    {
        NoteIfCorrected(name, held.Value, held.Message);
        return held.Value;
    }

    // The typed number, else current, corrected as the Sonar page corrects it.
    std::uint32_t CorrectedSonar(const SonarSetting& setting, std::uint32_t current)
    {
        return Noted(setting.Name, CorrectTyped(setting, TypedNumber(setting.Name).value_or(current)));
    }

    void CollectNumber(const SonarSetting& setting)
    {
        if (Typed(setting.Name)) StoreIn(c_.Blocks, setting, CorrectedSonar(setting, 0));
    }

    void CollectSwitch(const SonarSetting& setting)
    {
        if (const auto on = TypedSwitch(setting.Name)) StoreSwitch(c_.Blocks, setting, *on);
    }

    bool AllAvailable()
    {
        for (const Setting* setting : r_.Set) {
            if (std::holds_alternative<std::monostate>(ValueOf(*setting, c_))) {
                r_.Unavailable = true;
                Refuse(setting->Name, NotOnThisSensor(setting->Name));
            }
        }
        return !r_.Unavailable;
    }

    std::string NotOnThisSensor(std::string_view name) const
    {
        if (name.find("-ext-keys") != std::string_view::npos)
            return "not on this sensor (it refuses the extension sets)";
        return "not on this sensor (firmware " + FirmwareText(c_.Fw) + ")";
    }

    bool CollectKeys(std::uint16_t (&block)[16], const KeyBlockLayout& layout, const std::string& name)
    {
        const Assignment* a = Typed(name);
        if (!a) return true;
        const auto& keySets = std::get<std::vector<KeySet>>(a->Value);
        const auto defined = std::ranges::count_if(keySets, IsDefined);
        if (defined > layout.Keys) {
            Refuse(name, "at most " + std::to_string(layout.Keys) + " key sets");
            return false;
        }
        StoreKeySets(KeyBlock(block), layout, keySets);
        return true;
    }

    void CollectKeyPage(std::uint16_t (&base)[16], std::uint16_t (&extension)[16], const std::string& page)
    {
        CollectKeys(base, kBaseKeyLayout, page + "-keys");
        CollectKeys(extension, kExtensionKeyLayout, page + "-ext-keys");
        const std::string delayName = page + "-key-delay";
        const std::optional<std::uint32_t> delay = TypedNumber(delayName);
        if (!delay) return;
        if (!InterKeyDelayAccepted(*delay, base[kBaseKeyLayout.KeyCount] != 0)) {
            Refuse(delayName, kInterKeyDelayMessage);
            return;
        }
        base[kInterKeyDelayWord] = StoredWord(*delay);
        NoteIfCorrected(delayName, base[kInterKeyDelayWord]);
    }

    void CollectFaultSendRate()
    {
        if (const auto rate = TypedNumber("fault-send-rate")) {
            c_.Blocks.WalkAway[MinFltRepRate] = static_cast<std::uint16_t>(
                Noted("fault-send-rate",
                      limits::HoldAtLimit(*rate, limits::kMaxFaultSendRate, limits::kFaultSendRate)));
        }
    }

    void CollectSonar()
    {
        for (const SonarSetting* led : kLeds) CollectSwitch(*led);
        CollectNumber(kPingRate);
        CollectDistances();
        CollectDelays();
        CollectNumber(kPowerUpDelay);
        CollectSwitch(kInRangeDelayUnit);
        CollectSwitch(kOutOfRangeDelayUnit);
    }

    // The two distances are corrected together, as the page collects them.
    void CollectDistances()
    {
        if (!Typed(kMinDistance.Name) && !Typed(kMaxDistance.Name)) return;
        ConfigSet& blocks = c_.Blocks;
        const std::uint32_t currentMax = ValueIn(blocks, kMaxDistance);
        const DetectionWindow window =
            LimitedDetectionWindow(TypedNumber(kMinDistance.Name).value_or(ValueIn(blocks, kMinDistance)),
                                   TypedNumber(kMaxDistance.Name).value_or(currentMax));
        StoreIn(blocks, kMinDistance, window.MinInches);
        StoreIn(blocks, kMaxDistance, window.MaxInches);
        NoteIfCorrected(kMinDistance.Name, window.MinInches);
        NoteIfCorrected(kMaxDistance.Name, window.MaxInches);
        if (!Typed(kMaxDistance.Name) && window.MaxInches != currentMax) {
            r_.Notes.push_back(std::string(kMaxDistance.Name) + ": moved from " + std::to_string(currentMax) +
                               " to " + std::to_string(window.MaxInches) + " to stay above " +
                               kMinDistance.Name);
            r_.Set.push_back(FindSetting(kMaxDistance.Name));
        }
    }

    void CollectDelays()
    {
        if (!Typed(kInRangeDelay.Name) && !Typed(kOutOfRangeDelay.Name)) return;
        CheckDelayUnit(kInRangeDelay, kInRangeDelayUnit);
        CheckDelayUnit(kOutOfRangeDelay, kOutOfRangeDelayUnit);
        const SonarSetting& inRange = *OnFirmware(kInRangeDelay, c_.Fw);
        const SonarSetting& outOfRange = *OnFirmware(kOutOfRangeDelay, c_.Fw);
        const std::uint32_t inRangeDelay = CorrectedSonar(inRange, ValueIn(c_.Blocks, inRange));
        const std::uint32_t outOfRangeDelay = CorrectedSonar(outOfRange, ValueIn(c_.Blocks, outOfRange));
        StoreDelays(c_.Blocks, c_.Fw, inRangeDelay, outOfRangeDelay);
    }

    // "2 minutes" is taken only while the delay counts minutes: the unit is
    // its own setting, never changed on the side.
    void CheckDelayUnit(const SonarSetting& delay, const SonarSetting& delayUnit)
    {
        const Assignment* a = Typed(delay.Name);
        if (!a || a->Unit.empty()) return;
        const bool minutes = TypedSwitch(delayUnit.Name).value_or(IsOn(c_.Blocks, delayUnit));
        const std::string unit = minutes ? "minutes" : "seconds";
        if (ParseDelayUnit(a->Unit) != unit)
            Refuse(delay.Name, "counted in " + unit + ", not " + a->Unit + " (see " + delayUnit.Name + ")");
    }

    void CollectIdle()
    {
        CollectSwitch(kMinDistanceFault);
        CollectSwitch(kDeadTarget);
        if (Typed(kDeadTargetDelta.Name)) {
            const std::uint16_t heldUnits = static_cast<std::uint16_t>(ValueIn(c_.Blocks, kDeadTargetDelta));
            StoreIn(c_.Blocks, kDeadTargetDelta,
                    DeltaUnitsKeeping(CorrectedSonar(kDeadTargetDelta, 0), heldUnits));
        }
        CollectNumber(kDeadTargetTime);
    }

    void CollectLuid()
    {
        if (Typed("luid")) c_.Luid = static_cast<std::uint16_t>(Corrected("luid", 0, kMaxLuid));
    }

    SensorConfig& c_;
    CollectResult& r_;
    std::map<std::string, const Assignment*> typed_;
};

}  // namespace

std::span<const Setting> Settings()
{
    return kSettings;
}

const Setting* FindSetting(std::string_view name)
{
    const auto it = std::ranges::find_if(kSettings, [name](const Setting& s) { return s.Name == name; });
    return it == std::end(kSettings) ? nullptr : &*it;
}

SettingValue ValueOf(const Setting& setting, const SensorConfig& config)
{
    return setting.Read(config);
}

std::string ArgumentTextOf(const Setting& setting, const SensorConfig& config)
{
    const SettingValue value = ValueOf(setting, config);
    if (const auto* n = std::get_if<std::uint32_t>(&value)) return std::to_string(*n);
    if (const auto* on = std::get_if<bool>(&value)) return *on ? "on" : "off";
    if (const auto* unit = std::get_if<std::string>(&value)) return *unit;
    if (const auto* keys = std::get_if<std::vector<KeySet>>(&value))
        return keys->empty() ? "none" : KeysText(*keys);
    return "";
}

std::string TextOf(const Setting& setting, const SensorConfig& config)
{
    const SettingValue value = ValueOf(setting, config);
    if (std::holds_alternative<std::monostate>(value)) return "not on this sensor";
    std::string text = ArgumentTextOf(setting, config);
    const char* unit = setting.UnitFor ? setting.UnitFor(config) : setting.Unit;
    if (unit) text += std::string(" ") + unit;
    return text;
}

std::optional<Assignment> ParseAssignment(std::string_view text, std::string& error)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        error = "expected NAME=VALUE: " + std::string(text);
        return std::nullopt;
    }
    const std::string_view name = text.substr(0, equals);
    const std::string_view typed = text.substr(equals + 1);
    const Setting* setting = FindSetting(name);
    if (!setting) {
        error = "no setting named " + std::string(name);
        return std::nullopt;
    }
    if (!setting->Settable) {
        error = std::string(name) + ": read only; it changes through a template file";
        return std::nullopt;
    }
    std::string why;
    std::string unit;
    std::optional<SettingValue> value = ParseValue(*setting, typed, unit, why);
    if (!value || !UnitFits(*setting, unit, why)) {
        error = std::string(name) + ": " + why;
        return std::nullopt;
    }
    const std::string_view number = unit.empty() ? typed : Trimmed(typed).substr(0, Trimmed(typed).find(' '));
    return Assignment{setting, std::move(*value), std::string(number), unit};
}

CollectResult CollectAssignments(SensorConfig& config, std::span<const Assignment> assignments)
{
    CollectResult result;
    Collector(config, assignments, result).Run();
    return result;
}

}  // namespace cli
