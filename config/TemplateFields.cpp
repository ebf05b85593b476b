#include "config/TemplateFields.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr std::array<TemplateField, kTemplateFieldCount> kFields{{
    // Sonar block
    {"LEDFlagsS", "LED usage flags", TemplateBlock::Sonar, LEDFlagsS},
    {"PingRateS", "Ping rate (msec) (min 200, max 1020)", TemplateBlock::Sonar, PingRateS},
    {"Reserved1S", "40KHz cycle cnt (READ ONLY)", TemplateBlock::Sonar, Reserved1S},
    {"MinDistS", "Minimum Distance acceptable (inches) (min 1, max 59)", TemplateBlock::Sonar, MinDistS},
    {"MaxDistS", "Maximum Distance acceptable (inches) (min 15, max 72)", TemplateBlock::Sonar, MaxDistS},
    {"ORDBTmS", "debounce out of range time (sec/min)", TemplateBlock::Sonar, ORDBTmS},
    {"IRDBTmS", "debounce in range time (sec/min)", TemplateBlock::Sonar, IRDBTmS},
    {"StartDlyS", "cold start delay in seconds before joining USB", TemplateBlock::Sonar, StartDlyS},
    // Walk-away block
    {"KeyCountWA", "Defined keys to follow (max 6 modifiers/keys)", TemplateBlock::WalkAway, KeyCountWA},
    {"InterKeyDelayWA", "dead time between key presses (msec) (min 64, max 16320)", TemplateBlock::WalkAway,
     InterKeyDelayWA},
    {"Key1ModsWA", "Key Modifiers...", TemplateBlock::WalkAway, Key1ModsWA},
    {"Key2ModsWA", "", TemplateBlock::WalkAway, Key2ModsWA},
    {"Key3ModsWA", "", TemplateBlock::WalkAway, Key3ModsWA},
    {"Key4ModsWA", "", TemplateBlock::WalkAway, Key4ModsWA},
    {"Key5ModsWA", "", TemplateBlock::WalkAway, Key5ModsWA},
    {"Key6ModsWA", "", TemplateBlock::WalkAway, Key6ModsWA},
    {"Flags0WA", "see API header File", TemplateBlock::WalkAway, Flags0WA},
    {"MinFltRepRate", "", TemplateBlock::WalkAway, MinFltRepRate},
    {"Key1CodeWA", "Key Codes...", TemplateBlock::WalkAway, Key1CodeWA},
    {"Key2CodeWA", "", TemplateBlock::WalkAway, Key2CodeWA},
    {"Key3CodeWA", "", TemplateBlock::WalkAway, Key3CodeWA},
    {"Key4CodeWA", "", TemplateBlock::WalkAway, Key4CodeWA},
    {"Key5CodeWA", "", TemplateBlock::WalkAway, Key5CodeWA},
    {"Key6CodeWA", "", TemplateBlock::WalkAway, Key6CodeWA},
    // Walk-away extension set
    {"KeyCountWAEx", "Defined keys to follow (max 7 modifiers/keys)", TemplateBlock::WalkAwayEx,
     KeyCountWAEx},
    {"Key1ModsWAEx", "Key Modifiers...", TemplateBlock::WalkAwayEx, Key1ModsWAEx},
    {"Key2ModsWAEx", "", TemplateBlock::WalkAwayEx, Key2ModsWAEx},
    {"Key3ModsWAEx", "", TemplateBlock::WalkAwayEx, Key3ModsWAEx},
    {"Key4ModsWAEx", "", TemplateBlock::WalkAwayEx, Key4ModsWAEx},
    {"Key5ModsWAEx", "", TemplateBlock::WalkAwayEx, Key5ModsWAEx},
    {"Key6ModsWAEx", "", TemplateBlock::WalkAwayEx, Key6ModsWAEx},
    {"Key7ModsWAEx", "", TemplateBlock::WalkAwayEx, Key7ModsWAEx},
    {"Flags0WAEx", "[RFU]", TemplateBlock::WalkAwayEx, Flags0WAEx},
    {"Key1CodeWAEx", "Key Codes...", TemplateBlock::WalkAwayEx, Key1CodeWAEx},
    {"Key2CodeWAEx", "", TemplateBlock::WalkAwayEx, Key2CodeWAEx},
    {"Key3CodeWAEx", "", TemplateBlock::WalkAwayEx, Key3CodeWAEx},
    {"Key4CodeWAEx", "", TemplateBlock::WalkAwayEx, Key4CodeWAEx},
    {"Key5CodeWAEx", "", TemplateBlock::WalkAwayEx, Key5CodeWAEx},
    {"Key6CodeWAEx", "", TemplateBlock::WalkAwayEx, Key6CodeWAEx},
    {"Key7CodeWAEx", "", TemplateBlock::WalkAwayEx, Key7CodeWAEx},
    // Walk-up block
    {"KeyCountWU", "Defined keys to follow (max 6 modifiers/keys)", TemplateBlock::WalkUp, KeyCountWU},
    {"InterKeyDelayWU", "dead time between key presses (msec) (min 64, max 16320)", TemplateBlock::WalkUp,
     InterKeyDelayWU},
    {"Key1ModsWU", "Key Modifiers...", TemplateBlock::WalkUp, Key1ModsWU},
    {"Key2ModsWU", "", TemplateBlock::WalkUp, Key2ModsWU},
    {"Key3ModsWU", "", TemplateBlock::WalkUp, Key3ModsWU},
    {"Key4ModsWU", "", TemplateBlock::WalkUp, Key4ModsWU},
    {"Key5ModsWU", "", TemplateBlock::WalkUp, Key5ModsWU},
    {"Key6ModsWU", "", TemplateBlock::WalkUp, Key6ModsWU},
    {"Flags0WU", "see API header File", TemplateBlock::WalkUp, Flags0WU},
    {"Reserved2WU", "", TemplateBlock::WalkUp, Reserved2WU},
    {"Key1CodeWU", "Key Codes...", TemplateBlock::WalkUp, Key1CodeWU},
    {"Key2CodeWU", "", TemplateBlock::WalkUp, Key2CodeWU},
    {"Key3CodeWU", "", TemplateBlock::WalkUp, Key3CodeWU},
    {"Key4CodeWU", "", TemplateBlock::WalkUp, Key4CodeWU},
    {"Key5CodeWU", "", TemplateBlock::WalkUp, Key5CodeWU},
    {"Key6CodeWU", "", TemplateBlock::WalkUp, Key6CodeWU},
    // Walk-up extension set
    {"KeyCountWUEx", "Defined keys to follow (max 7 modifiers/keys)", TemplateBlock::WalkUpEx, KeyCountWUEx},
    {"Key1ModsWUEx", "Key Modifiers...", TemplateBlock::WalkUpEx, Key1ModsWUEx},
    {"Key2ModsWUEx", "", TemplateBlock::WalkUpEx, Key2ModsWUEx},
    {"Key3ModsWUEx", "", TemplateBlock::WalkUpEx, Key3ModsWUEx},
    {"Key4ModsWUEx", "", TemplateBlock::WalkUpEx, Key4ModsWUEx},
    {"Key5ModsWUEx", "", TemplateBlock::WalkUpEx, Key5ModsWUEx},
    {"Key6ModsWUEx", "", TemplateBlock::WalkUpEx, Key6ModsWUEx},
    {"Key7ModsWUEx", "", TemplateBlock::WalkUpEx, Key7ModsWUEx},
    {"Flags0WUEx", "[RFU]", TemplateBlock::WalkUpEx, Flags0WUEx},
    {"Key1CodeWUEx", "Key Codes...", TemplateBlock::WalkUpEx, Key1CodeWUEx},
    {"Key2CodeWUEx", "", TemplateBlock::WalkUpEx, Key2CodeWUEx},
    {"Key3CodeWUEx", "", TemplateBlock::WalkUpEx, Key3CodeWUEx},
    {"Key4CodeWUEx", "", TemplateBlock::WalkUpEx, Key4CodeWUEx},
    {"Key5CodeWUEx", "", TemplateBlock::WalkUpEx, Key5CodeWUEx},
    {"Key6CodeWUEx", "", TemplateBlock::WalkUpEx, Key6CodeWUEx},
    {"Key7CodeWUEx", "", TemplateBlock::WalkUpEx, Key7CodeWUEx},
    // Idle block
    {"Reserved1I", "", TemplateBlock::Idle, Reserved1I},
    {"PressRateI", "Periodic Press Rate (1 second units) - Zero disables (default)", TemplateBlock::Idle,
     PressRateI},
    {"Key1ModsI", "Key 1 modifier bit flags", TemplateBlock::Idle, Key1ModsI},
    {"Key1CodeI", "Key 1 code", TemplateBlock::Idle, Key1CodeI},
    {"FlagsI", "see API header File", TemplateBlock::Idle, FlagsI},
    {"DMTODeltaI", "DeadMan T0Delta, 3.472 * Distance (in) = DMTODelta", TemplateBlock::Idle, DMTODeltaI},
    {"DMTOTmI", "DeadMan Time (seconds) - Time till Declared Dead while Deltas never exceeded",
     TemplateBlock::Idle, DMTOTmI},
    {"SNBlankTmI", "Sonar drive blanking time (43usec units)", TemplateBlock::Idle, SNBlankTmI},
}};

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

template <typename Set>
auto& WordOf(Set& blocks, const TemplateField& field)
{
    switch (field.Block) {
        case TemplateBlock::Sonar:
            return blocks.Sonar[field.Word];
        case TemplateBlock::WalkAway:
            return blocks.WalkAway[field.Word];
        case TemplateBlock::WalkAwayEx:
            return blocks.WalkAwayEx[field.Word];
        case TemplateBlock::WalkUp:
            return blocks.WalkUp[field.Word];
        case TemplateBlock::WalkUpEx:
            return blocks.WalkUpEx[field.Word];
        case TemplateBlock::Idle:
            break;
    }
    return blocks.Idle[field.Word];
}

}  // namespace

std::span<const TemplateField> TemplateFields()
{
    return kFields;
}

const TemplateField* FindTemplateField(std::string_view name)
{
    const auto found = std::find_if(kFields.begin(), kFields.end(), [name](const TemplateField& f) {
        return EqualIgnoringCase(f.Name, name);
    });
    return found == kFields.end() ? nullptr : &*found;
}

std::uint16_t& FieldWord(ConfigSet& blocks, const TemplateField& field)
{
    return WordOf(blocks, field);
}

std::uint16_t FieldWord(const ConfigSet& blocks, const TemplateField& field)
{
    return WordOf(blocks, field);
}
