#include "config/SonarSettings.h"

#include <bit>

namespace sonar {

namespace {

std::uint16_t& WordOf(ConfigSet& blocks, const SonarSetting& setting)
{
    return FieldWord(blocks, TemplateField{{}, {}, setting.Block, setting.Word});
}

std::uint16_t WordOf(const ConfigSet& blocks, const SonarSetting& setting)
{
    return FieldWord(blocks, TemplateField{{}, {}, setting.Block, setting.Word});
}

int ShiftOf(const SonarSetting& setting)
{
    return std::countr_zero(setting.Bits);
}

}  // namespace

const SonarSetting* OnFirmware(const SonarSetting& setting, std::int32_t deviceFw)
{
    return deviceFw >= setting.SinceFw ? &setting : setting.OnOlderFw;
}

std::uint32_t ValueIn(const ConfigSet& blocks, const SonarSetting& setting)
{
    return (WordOf(blocks, setting) & setting.Bits) >> ShiftOf(setting);
}

void StoreIn(ConfigSet& blocks, const SonarSetting& setting, std::uint32_t value)
{
    std::uint16_t& word = WordOf(blocks, setting);
    const auto bits = static_cast<std::uint16_t>(value << ShiftOf(setting)) & setting.Bits;
    word = static_cast<std::uint16_t>((word & ~setting.Bits) | bits);
}

void StoreDelays(ConfigSet& blocks, std::int32_t deviceFw, std::uint32_t inRange, std::uint32_t outOfRange)
{
    const SonarSetting& inRangeDelay = *OnFirmware(kInRangeDelay, deviceFw);
    const SonarSetting& outOfRangeDelay = *OnFirmware(kOutOfRangeDelay, deviceFw);
    if (!SeparateDelays(deviceFw)) WordOf(blocks, outOfRangeDelay) = 0;
    StoreIn(blocks, inRangeDelay, inRange);
    StoreIn(blocks, outOfRangeDelay, outOfRange);
}

bool IsOn(const ConfigSet& blocks, const SonarSetting& setting)
{
    return (ValueIn(blocks, setting) != 0) != setting.Inverted;
}

void StoreSwitch(ConfigSet& blocks, const SonarSetting& setting, bool on)
{
    SetBits(WordOf(blocks, setting), setting.Bits, on != setting.Inverted);
}

limits::HeldNumber CorrectTyped(const SonarSetting& setting, std::uint32_t typed)
{
    switch (setting.Corrected) {
        case Correction::HeldAtLimit:
            return limits::HoldAtLimit(typed, setting.Limit, *setting.Held);
        case Correction::PingRate: {
            const PingRateCorrection corrected = CorrectPingRate(typed);
            return {corrected.Rate, corrected.Message ? corrected.Message : ""};
        }
        case Correction::None:
        case Correction::DetectionWindow:
            break;
    }
    return {typed, {}};
}

const char* CorrectionCaption(const SonarSetting& setting)
{
    return setting.Corrected == Correction::PingRate ? kPingRateErrorCaption : limits::kEntryErrorCaption;
}

}  // namespace sonar
