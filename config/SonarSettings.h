#pragma once

// The Sonar page's settings as one table: where each lives in a sensor's
// blocks (block, word, bits, whether a set bit means off), from which firmware
// it lives there, its limit and correction, and its name on tolvanectl's
// command line; a failed write names the setting's block (BlockWriterOf). The
// page and tolvanectl read, correct and store these settings through it.

#include <cstddef>
#include <cstdint>

#include "config/ByteLimits.h"
#include "config/ConfigModel.h"
#include "config/DeadTargetDelta.h"
#include "config/SonarRules.h"
#include "config/TemplateFields.h"

namespace sonar {

enum class Correction {
    None,             // a switch, taken as given
    HeldAtLimit,      // a number above Limit is held at it, with the message naming Held
    PingRate,         // a rate outside 200 to 1020 ms becomes the nearer limit, with its message
    DetectionWindow,  // corrected together with the other distance (LimitedDetectionWindow)
};

struct SonarSetting {
    const char* Name;  // as tolvanectl names it
    TemplateBlock Block;
    std::size_t Word;
    std::uint16_t Bits = 0xFFFF;  // the setting's bits of the word
    bool Inverted = false;        // a set bit switches it off
    std::int32_t SinceFw = 0;     // the first firmware that keeps it here
    // Where firmware before SinceFw keeps it; null: such firmware has none.
    const SonarSetting* OnOlderFw = nullptr;
    bool FullLayoutOnly = false;  // the compact variant has none
    Correction Corrected = Correction::None;
    std::uint32_t Limit = 0;
    const limits::ByteNumber* Held = nullptr;
};

// The rows' shapes.
namespace rows {

constexpr SonarSetting Distance(const char* name, std::size_t word)
{
    return {.Name = name,
            .Block = TemplateBlock::Sonar,
            .Word = word,
            .FullLayoutOnly = true,
            .Corrected = Correction::DetectionWindow};
}

constexpr SonarSetting HeldNumber(const char* name, TemplateBlock block, std::size_t word,
                                  std::uint32_t limit, const limits::ByteNumber& held,
                                  bool fullLayoutOnly = false)
{
    return {.Name = name,
            .Block = block,
            .Word = word,
            .FullLayoutOnly = fullLayoutOnly,
            .Corrected = Correction::HeldAtLimit,
            .Limit = limit,
            .Held = &held};
}

constexpr SonarSetting InBits(SonarSetting setting, std::uint16_t bits)
{
    setting.Bits = bits;
    return setting;
}

constexpr SonarSetting Since(SonarSetting setting, std::int32_t fw, const SonarSetting* onOlderFw)
{
    setting.SinceFw = fw;
    setting.OnOlderFw = onOlderFw;
    return setting;
}

constexpr SonarSetting Switch(const char* name, TemplateBlock block, std::size_t word, std::uint16_t bit,
                              bool fullLayoutOnly)
{
    return {.Name = name, .Block = block, .Word = word, .Bits = bit, .FullLayoutOnly = fullLayoutOnly};
}

// An indicator's bit switches it off; older firmware has no indicators to switch.
constexpr SonarSetting Indicator(const char* name, std::uint16_t bit)
{
    SonarSetting setting =
        Since(Switch(name, TemplateBlock::Sonar, LEDFlagsS, bit, true), kSeparateDelaysFw, nullptr);
    setting.Inverted = true;
    return setting;
}

}  // namespace rows

inline constexpr SonarSetting kMinDistance = rows::Distance("min-distance", MinDistS);
inline constexpr SonarSetting kMaxDistance = rows::Distance("max-distance", MaxDistS);

// Older firmware packs both detection delays into ORDBTmS: in-range in bits
// 4 to 7, out-of-range in bits 0 to 3.
inline constexpr SonarSetting kPackedInRangeDelay =
    rows::InBits(rows::HeldNumber("in-range-delay", TemplateBlock::Sonar, ORDBTmS, kPackedDelayLimit,
                                  limits::kInRangeDelay),
                 0x00F0);
inline constexpr SonarSetting kPackedOutOfRangeDelay =
    rows::InBits(rows::HeldNumber("out-of-range-delay", TemplateBlock::Sonar, ORDBTmS, kPackedDelayLimit,
                                  limits::kOutOfRangeDelay),
                 0x000F);
inline constexpr SonarSetting kInRangeDelay = rows::Since(
    rows::HeldNumber("in-range-delay", TemplateBlock::Sonar, IRDBTmS, kByteLimit, limits::kInRangeDelay),
    kSeparateDelaysFw, &kPackedInRangeDelay);
inline constexpr SonarSetting kOutOfRangeDelay =
    rows::Since(rows::HeldNumber("out-of-range-delay", TemplateBlock::Sonar, ORDBTmS, kByteLimit,
                                 limits::kOutOfRangeDelay),
                kSeparateDelaysFw, &kPackedOutOfRangeDelay);
// On: the delay counts minutes, not seconds.
inline constexpr SonarSetting kInRangeDelayUnit =
    rows::Switch("in-range-delay-unit", TemplateBlock::WalkUp, Flags0WU, kMinutesBit, false);
inline constexpr SonarSetting kOutOfRangeDelayUnit =
    rows::Switch("out-of-range-delay-unit", TemplateBlock::WalkAway, Flags0WA, kMinutesBit, false);
inline constexpr SonarSetting kPowerUpDelay =
    rows::HeldNumber("power-up-delay", TemplateBlock::Sonar, StartDlyS, kByteLimit, limits::kPowerUpDelay);
inline constexpr SonarSetting kPingRate{.Name = "ping-rate",
                                        .Block = TemplateBlock::Sonar,
                                        .Word = PingRateS,
                                        .FullLayoutOnly = true,
                                        .Corrected = Correction::PingRate};
inline constexpr SonarSetting kInRangeLed = rows::Indicator("in-range-led", kLedInRangeBit);
inline constexpr SonarSetting kOutOfRangeLed = rows::Indicator("out-of-range-led", kLedOutOfRangeBit);
inline constexpr SonarSetting kTransitionLed = rows::Indicator("transition-led", kLedTransitionBit);
inline constexpr SonarSetting kMinDistanceFault =
    rows::Switch("min-distance-fault", TemplateBlock::Idle, FlagsI, kMinDistFaultBit, true);
inline constexpr SonarSetting kDeadTarget =
    rows::Switch("dead-target", TemplateBlock::Idle, FlagsI, kDetectDeadTargetBit, true);
// Kept in the sensor's delta units; the limit and the message count inches.
inline constexpr SonarSetting kDeadTargetDelta = rows::HeldNumber(
    "dead-target-delta", TemplateBlock::Idle, DMTODeltaI, kMaxDeltaInches, limits::kDeadTargetDelta, true);
inline constexpr SonarSetting kDeadTargetTime = rows::HeldNumber(
    "dead-target-time", TemplateBlock::Idle, DMTOTmI, kByteLimit, limits::kDeadTargetTime, true);

// The three indicators, in the order the page lists them.
inline constexpr const SonarSetting* kLeds[] = {&kInRangeLed, &kOutOfRangeLed, &kTransitionLed};

// Where firmware deviceFw keeps setting, or null when it has none.
const SonarSetting* OnFirmware(const SonarSetting& setting, std::int32_t deviceFw);

// The setting's bits, shifted down to a number.
std::uint32_t ValueIn(const ConfigSet& blocks, const SonarSetting& setting);
// Puts value into the setting's bits; the word's other bits stay.
void StoreIn(ConfigSet& blocks, const SonarSetting& setting, std::uint32_t value);

// Stores both detection delays where firmware deviceFw keeps them; the packed
// delays of older firmware make up the whole of their word.
void StoreDelays(ConfigSet& blocks, std::int32_t deviceFw, std::uint32_t inRange, std::uint32_t outOfRange);

// A switch: on while its bit is set, or clear for an inverted one.
bool IsOn(const ConfigSet& blocks, const SonarSetting& setting);
void StoreSwitch(ConfigSet& blocks, const SonarSetting& setting, bool on);

// A typed number as the setting keeps it, with the message when it was
// corrected (empty when taken as typed). Not for the detection window.
limits::HeldNumber CorrectTyped(const SonarSetting& setting, std::uint32_t typed);
// The caption of the box that shows the setting's correction message.
const char* CorrectionCaption(const SonarSetting& setting);

}  // namespace sonar
