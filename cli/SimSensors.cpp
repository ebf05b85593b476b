#include "SimSensors.h"

#include <algorithm>

namespace cli {

namespace {

constexpr std::uint16_t kDefaultFirmware = 0x0405;

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

// MAJOR.MINOR in the hexadecimal digits the sensor reports, the minor always
// two of them: 4.05 is 0x0405.
std::optional<std::uint16_t> ParseFirmware(const std::string& text)
{
    const std::size_t dot = text.find('.');
    if (dot == std::string::npos || dot == 0 || dot > 2 || text.size() - dot - 1 != 2) return std::nullopt;
    std::string digits = text;
    digits.erase(dot, 1);
    if (!std::ranges::all_of(digits, IsHexDigit)) return std::nullopt;
    return static_cast<std::uint16_t>(std::stoul(digits, nullptr, 16));
}

std::unique_ptr<sim::SimPlatform> MakeSimSensors(const SimOptions& options, std::string& error)
{
    auto sim = std::make_unique<sim::SimPlatform>(!options.Instant);
    for (int n = 1; n <= options.Sensors; ++n) {
        std::uint16_t firmware = kDefaultFirmware;
        if (static_cast<std::size_t>(n) <= options.Firmware.size()) {
            const std::optional<std::uint16_t> parsed = ParseFirmware(options.Firmware[n - 1]);
            if (!parsed) {
                error = "--sim-firmware: not a firmware version: " + options.Firmware[n - 1] +
                        " (MAJOR.MINOR, e.g. 4.05)";
                return nullptr;
            }
            firmware = *parsed;
        }
        const sim::DeviceId id = sim->plugSensor(firmware, static_cast<std::uint16_t>(n));
        sim->sensor(id).ExtensionSetsSupported = !options.RefuseExtensionSets;
        if (std::ranges::find(options.DeniedSensors, n) != options.DeniedSensors.end()) sim->denyAccess(id);
        sim->holdElsewhere(id, sim->nowMs() + options.HeldElsewhereMs);
    }
    if (options.FailTransfer > 0) sim->failTransfer(options.FailTransfer);
    return sim;
}

}  // namespace cli
