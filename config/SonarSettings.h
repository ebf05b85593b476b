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

inline constexpr SonarSetting kMinDistance{.Name = "min-distance",
                                           .Block = TemplateBlock::Sonar,
                                           .Word = MinDistS,
                                           .FullLayoutOnly = true,
                                           .Corrected = Correction::DetectionWindow};
inline constexpr SonarSetting kMaxDistance{.Name = "max-distance",
                                           .Block = TemplateBlock::Sonar,
                                           .Word = MaxDistS,
                                           .FullLayoutOnly = true,
                                           .Corrected = Correction::DetectionWindow};

// Older firmware packs both detection delays into ORDBTmS: in-range in bits
// 4 to 7, out-of-range in bits 0 to 3.
inline constexpr SonarSetting kPackedInRangeDelay{.Name = "in-range-delay",
                                                  .Block = TemplateBlock::Sonar,
                                                  .Word = ORDBTmS,
                                                  .Bits = 0x00F0,
                                                  .Corrected = Correction::HeldAtLimit,
                                                  .Limit = kPackedDelayLimit,
                                                  .Held = &limits::kInRangeDelay};
inline constexpr SonarSetting kPackedOutOfRangeDelay{.Name = "out-of-range-delay",
                                                     .Block = TemplateBlock::Sonar,
                                                     .Word = ORDBTmS,
                                                     .Bits = 0x000F,
                                                     .Corrected = Correction::HeldAtLimit,
                                                     .Limit = kPackedDelayLimit,
                                                     .Held = &limits::kOutOfRangeDelay};
inline constexpr SonarSetting kInRangeDelay{.Name = "in-range-delay",
                                            .Block = TemplateBlock::Sonar,
                                            .Word = IRDBTmS,
                                            .SinceFw = kSeparateDelaysFw,
                                            .OnOlderFw = &kPackedInRangeDelay,
                                            .Corrected = Correction::HeldAtLimit,
                                            .Limit = kByteLimit,
                                            .Held = &limits::kInRangeDelay};
inline constexpr SonarSetting kOutOfRangeDelay{.Name = "out-of-range-delay",
                                               .Block = TemplateBlock::Sonar,
                                               .Word = ORDBTmS,
                                               .SinceFw = kSeparateDelaysFw,
                                               .OnOlderFw = &kPackedOutOfRangeDelay,
                                               .Corrected = Correction::HeldAtLimit,
                                               .Limit = kByteLimit,
                                               .Held = &limits::kOutOfRangeDelay};
// Set: the delay counts minutes, not seconds.
inline constexpr SonarSetting kInRangeDelayUnit{
    .Name = "in-range-delay-unit", .Block = TemplateBlock::WalkUp, .Word = Flags0WU, .Bits = kMinutesBit};
inline constexpr SonarSetting kOutOfRangeDelayUnit{.Name = "out-of-range-delay-unit",
                                                   .Block = TemplateBlock::WalkAway,
                                                   .Word = Flags0WA,
                                                   .Bits = kMinutesBit};
inline constexpr SonarSetting kPowerUpDelay{.Name = "power-up-delay",
                                            .Block = TemplateBlock::Sonar,
                                            .Word = StartDlyS,
                                            .Corrected = Correction::HeldAtLimit,
                                            .Limit = kByteLimit,
                                            .Held = &limits::kPowerUpDelay};
inline constexpr SonarSetting kPingRate{.Name = "ping-rate",
                                        .Block = TemplateBlock::Sonar,
                                        .Word = PingRateS,
                                        .FullLayoutOnly = true,
                                        .Corrected = Correction::PingRate};
inline constexpr SonarSetting kInRangeLed{.Name = "in-range-led",
                                          .Block = TemplateBlock::Sonar,
                                          .Word = LEDFlagsS,
                                          .Bits = kLedInRangeBit,
                                          .Inverted = true,
                                          .SinceFw = kSeparateDelaysFw,
                                          .FullLayoutOnly = true};
inline constexpr SonarSetting kOutOfRangeLed{.Name = "out-of-range-led",
                                             .Block = TemplateBlock::Sonar,
                                             .Word = LEDFlagsS,
                                             .Bits = kLedOutOfRangeBit,
                                             .Inverted = true,
                                             .SinceFw = kSeparateDelaysFw,
                                             .FullLayoutOnly = true};
inline constexpr SonarSetting kTransitionLed{.Name = "transition-led",
                                             .Block = TemplateBlock::Sonar,
                                             .Word = LEDFlagsS,
                                             .Bits = kLedTransitionBit,
                                             .Inverted = true,
                                             .SinceFw = kSeparateDelaysFw,
                                             .FullLayoutOnly = true};
inline constexpr SonarSetting kMinDistanceFault{.Name = "min-distance-fault",
                                                .Block = TemplateBlock::Idle,
                                                .Word = FlagsI,
                                                .Bits = kMinDistFaultBit,
                                                .FullLayoutOnly = true};
inline constexpr SonarSetting kDeadTarget{.Name = "dead-target",
                                          .Block = TemplateBlock::Idle,
                                          .Word = FlagsI,
                                          .Bits = kDetectDeadTargetBit,
                                          .FullLayoutOnly = true};
// Kept in the sensor's delta units; the limit and the message count inches.
inline constexpr SonarSetting kDeadTargetDelta{.Name = "dead-target-delta",
                                               .Block = TemplateBlock::Idle,
                                               .Word = DMTODeltaI,
                                               .FullLayoutOnly = true,
                                               .Corrected = Correction::HeldAtLimit,
                                               .Limit = kMaxDeltaInches,
                                               .Held = &limits::kDeadTargetDelta};
inline constexpr SonarSetting kDeadTargetTime{.Name = "dead-target-time",
                                              .Block = TemplateBlock::Idle,
                                              .Word = DMTOTmI,
                                              .FullLayoutOnly = true,
                                              .Corrected = Correction::HeldAtLimit,
                                              .Limit = kByteLimit,
                                              .Held = &limits::kDeadTargetTime};

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
