#include "SimSensors.h"

#include <algorithm>

#include "config/FirmwareVersion.h"

namespace cli {

namespace {

constexpr std::uint16_t kDefaultFirmware = 0x0405;

}  // namespace

std::unique_ptr<sim::SimPlatform> MakeSimSensors(const SimOptions& options, std::string& error)
{
    auto sim = std::make_unique<sim::SimPlatform>(!options.Instant);
    std::vector<sim::DeviceId> ids;
    for (int n = 1; n <= options.Sensors; ++n) {
        std::uint16_t firmware = kDefaultFirmware;
        if (static_cast<std::size_t>(n) <= options.Firmware.size()) {
            const std::optional<std::uint16_t> parsed = ParseFirmware(options.Firmware[n - 1]);
            if (!parsed) {
                error = "--sim-firmware: not a firmware version: " + options.Firmware[n - 1] + " (" +
                        std::string(kFirmwareVersionForm) + ")";
                return nullptr;
            }
            firmware = *parsed;
        }
        const sim::DeviceId id = sim->plugSensor(firmware, static_cast<std::uint16_t>(n));
        ids.push_back(id);
        sim->sensor(id).ExtensionSetsSupported = !options.RefuseExtensionSets;
        if (std::ranges::find(options.DeniedSensors, n) != options.DeniedSensors.end()) sim->denyAccess(id);
        sim->holdElsewhere(id, sim->nowMs() + options.HeldElsewhereMs);
    }
    if (options.FailTransfer > 0 && options.FailSensor > 0)
        sim->failTransferOf(ids[static_cast<std::size_t>(options.FailSensor - 1)], options.FailTransfer);
    else if (options.FailTransfer > 0)
        sim->failTransfer(options.FailTransfer);
    return sim;
}

}  // namespace cli
