#include "Settings.h"

#include <algorithm>
#include <map>

#include "NumberArgument.h"
#include "config/ByteLimits.h"
#include "config/DeadTargetDelta.h"
#include "config/DetectionWindow.h"
#include "config/FirmwareVersion.h"
#include "config/KeySequence.h"
#include "config/SonarRules.h"

namespace cli {

namespace {

using namespace sonar;

bool FullLayout(const SensorConfig& c)
{
    return c.Variant != kCompactDeviceVariant;
}

bool LedsSwitchable(const SensorConfig& c)
{
    return FullLayout(c) && SeparateDelays(c.Fw);
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

const char* DelayUnit(std::uint16_t flags)
{
    return flags & kMinutesBit ? "minutes" : "seconds";
}

std::uint32_t InRangeDelay(const SensorConfig& c)
{
    const tsSonarParms& s = c.Blocks.Sonar;
    return SeparateDelays(c.Fw) ? s[IRDBTmS] : PackedInRangeDelay(s[ORDBTmS]);
}

std::uint32_t OutOfRangeDelay(const SensorConfig& c)
{
    const tsSonarParms& s = c.Blocks.Sonar;
    return SeparateDelays(c.Fw) ? s[ORDBTmS] : PackedOutOfRangeDelay(s[ORDBTmS]);
}

// An indicator is on while its "no indicator" bit is clear.
SettingValue Led(const SensorConfig& c, std::uint16_t bit)
{
    if (!LedsSwitchable(c)) return {};
    return Switch((c.Blocks.Sonar[LEDFlagsS] & bit) == 0);
}

template <SettingValue (*Read)(const SensorConfig&)>
SettingValue OnFullLayout(const SensorConfig& c)
{
    return FullLayout(c) ? Read(c) : SettingValue{};
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

    {"min-distance", "Sonar", SettingKind::Number, "inches", true,
     OnFullLayout<[](const SensorConfig& c) { return Number(c.Blocks.Sonar[MinDistS]); }>},
    {"max-distance", "Sonar", SettingKind::Number, "inches", true,
     OnFullLayout<[](const SensorConfig& c) { return Number(c.Blocks.Sonar[MaxDistS]); }>},
    {"in-range-delay", "Sonar", SettingKind::Number, nullptr, true,
     [](const SensorConfig& c) { return Number(InRangeDelay(c)); },
     [](const SensorConfig& c) { return DelayUnit(c.Blocks.WalkUp[Flags0WU]); }},
    {"in-range-delay-unit", "Sonar", SettingKind::DelayUnit, nullptr, true,
     [](const SensorConfig& c) { return SettingValue(std::string(DelayUnit(c.Blocks.WalkUp[Flags0WU]))); }},
    {"out-of-range-delay", "Sonar", SettingKind::Number, nullptr, true,
     [](const SensorConfig& c) { return Number(OutOfRangeDelay(c)); },
     [](const SensorConfig& c) { return DelayUnit(c.Blocks.WalkAway[Flags0WA]); }},
    {"out-of-range-delay-unit", "Sonar", SettingKind::DelayUnit, nullptr, true,
     [](const SensorConfig& c) { return SettingValue(std::string(DelayUnit(c.Blocks.WalkAway[Flags0WA]))); }},
    {"power-up-delay", "Sonar", SettingKind::Number, "seconds", true,
     [](const SensorConfig& c) { return Number(c.Blocks.Sonar[StartDlyS]); }},
    {"ping-rate", "Sonar", SettingKind::Number, "ms", true,
     OnFullLayout<[](const SensorConfig& c) { return Number(c.Blocks.Sonar[PingRateS]); }>},
    {"in-range-led", "Sonar", SettingKind::Switch, nullptr, true,
     [](const SensorConfig& c) { return Led(c, kLedInRangeBit); }},
    {"out-of-range-led", "Sonar", SettingKind::Switch, nullptr, true,
     [](const SensorConfig& c) { return Led(c, kLedOutOfRangeBit); }},
    {"transition-led", "Sonar", SettingKind::Switch, nullptr, true,
     [](const SensorConfig& c) { return Led(c, kLedTransitionBit); }},
    {"min-distance-fault", "Sonar", SettingKind::Switch, nullptr, true,
     OnFullLayout<[](const SensorConfig& c) { return Switch(c.Blocks.Idle[FlagsI] & kMinDistFaultBit); }>},
    {"dead-target", "Sonar", SettingKind::Switch, nullptr, true, OnFullLayout<[](const SensorConfig& c) {
         return Switch(c.Blocks.Idle[FlagsI] & kDetectDeadTargetBit);
     }>},
    {"dead-target-delta", "Sonar", SettingKind::Number, "inches", true,
     OnFullLayout<[](const SensorConfig& c) {
         return Number(DeltaInchesFromUnits(c.Blocks.Idle[DMTODeltaI]));
     }>},
    {"dead-target-time", "Sonar", SettingKind::Number, "seconds", true,
     OnFullLayout<[](const SensorConfig& c) { return Number(c.Blocks.Idle[DMTOTmI]); }>},

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

    // A one-byte number held at its limit with the pages' message.
    std::uint32_t HeldByte(const std::string& name, std::uint32_t current, std::uint32_t limit,
                           const limits::ByteNumber& what)
    {
        const limits::HeldNumber held = limits::HoldAtLimit(TypedNumber(name).value_or(current), limit, what);
        NoteIfCorrected(name, held.Value, held.Message);
        return held.Value;
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
        if (Typed("fault-send-rate")) {
            c_.Blocks.WalkAway[MinFltRepRate] = static_cast<std::uint16_t>(
                HeldByte("fault-send-rate", 0, limits::kMaxFaultSendRate, limits::kFaultSendRate));
        }
    }

    void CollectSonar()
    {
        tsSonarParms& s = c_.Blocks.Sonar;
        const std::pair<const char*, std::uint16_t> leds[] = {{"in-range-led", kLedInRangeBit},
                                                              {"out-of-range-led", kLedOutOfRangeBit},
                                                              {"transition-led", kLedTransitionBit}};
        for (const auto& [name, bit] : leds)
            if (const auto on = TypedSwitch(name)) SetBits(s[LEDFlagsS], bit, !*on);

        if (const auto rate = TypedNumber("ping-rate")) {
            const PingRateCorrection corrected = CorrectPingRate(*rate);
            s[PingRateS] = corrected.Rate;
            NoteIfCorrected("ping-rate", corrected.Rate, corrected.Message ? corrected.Message : "");
        }
        CollectDistances();
        CollectDelays();
        if (Typed("power-up-delay"))
            s[StartDlyS] =
                static_cast<std::uint16_t>(HeldByte("power-up-delay", 0, kByteLimit, limits::kPowerUpDelay));
        if (const auto minutes = TypedSwitch("in-range-delay-unit"))
            SetBits(c_.Blocks.WalkUp[Flags0WU], kMinutesBit, *minutes);
        if (const auto minutes = TypedSwitch("out-of-range-delay-unit"))
            SetBits(c_.Blocks.WalkAway[Flags0WA], kMinutesBit, *minutes);
    }

    // The two distances are corrected together, as the page collects them.
    void CollectDistances()
    {
        if (!Typed("min-distance") && !Typed("max-distance")) return;
        tsSonarParms& s = c_.Blocks.Sonar;
        const std::uint16_t currentMax = s[MaxDistS];
        const DetectionWindow window =
            LimitedDetectionWindow(TypedNumber("min-distance").value_or(s[MinDistS]),
                                   TypedNumber("max-distance").value_or(s[MaxDistS]));
        s[MinDistS] = static_cast<std::uint16_t>(window.MinInches);
        s[MaxDistS] = static_cast<std::uint16_t>(window.MaxInches);
        NoteIfCorrected("min-distance", window.MinInches);
        NoteIfCorrected("max-distance", window.MaxInches);
        if (!Typed("max-distance") && window.MaxInches != currentMax) {
            r_.Notes.push_back("max-distance: moved from " + std::to_string(currentMax) + " to " +
                               std::to_string(window.MaxInches) + " to stay above min-distance");
            r_.Set.push_back(FindSetting("max-distance"));
        }
    }

    void CollectDelays()
    {
        if (!Typed("in-range-delay") && !Typed("out-of-range-delay")) return;
        CheckDelayUnit("in-range-delay", "in-range-delay-unit", c_.Blocks.WalkUp[Flags0WU]);
        CheckDelayUnit("out-of-range-delay", "out-of-range-delay-unit", c_.Blocks.WalkAway[Flags0WA]);
        const std::uint32_t limit = DelayLimit(c_.Fw);
        const std::uint32_t inRange =
            HeldByte("in-range-delay", InRangeDelay(c_), limit, limits::kInRangeDelay);
        const std::uint32_t outOfRange =
            HeldByte("out-of-range-delay", OutOfRangeDelay(c_), limit, limits::kOutOfRangeDelay);
        tsSonarParms& s = c_.Blocks.Sonar;
        if (SeparateDelays(c_.Fw)) {
            s[IRDBTmS] = static_cast<std::uint16_t>(inRange);
            s[ORDBTmS] = static_cast<std::uint16_t>(outOfRange);
        } else {
            s[ORDBTmS] = PackedDelays(inRange, outOfRange);
        }
    }

    // "2 minutes" is taken only while the delay counts minutes: the unit is
    // its own setting, never changed on the side.
    void CheckDelayUnit(const std::string& name, const std::string& unitName, std::uint16_t flags)
    {
        const Assignment* a = Typed(name);
        if (!a || a->Unit.empty()) return;
        const auto typedUnit = TypedSwitch(unitName);
        const std::string unit = typedUnit ? (*typedUnit ? "minutes" : "seconds") : DelayUnit(flags);
        if (ParseDelayUnit(a->Unit) != unit)
            Refuse(name, "counted in " + unit + ", not " + a->Unit + " (see " + unitName + ")");
    }

    void CollectIdle()
    {
        tsIdleParms& idle = c_.Blocks.Idle;
        if (const auto on = TypedSwitch("min-distance-fault")) SetBits(idle[FlagsI], kMinDistFaultBit, *on);
        if (const auto on = TypedSwitch("dead-target")) SetBits(idle[FlagsI], kDetectDeadTargetBit, *on);
        if (Typed("dead-target-delta"))
            idle[DMTODeltaI] =
                DeltaUnitsKeeping(HeldByte("dead-target-delta", 0, kMaxDeltaInches, limits::kDeadTargetDelta),
                                  idle[DMTODeltaI]);
        if (Typed("dead-target-time"))
            idle[DMTOTmI] = static_cast<std::uint16_t>(
                HeldByte("dead-target-time", 0, kByteLimit, limits::kDeadTargetTime));
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
