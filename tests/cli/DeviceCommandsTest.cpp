// tolvanectl's commands that the sensor carries out itself (reset, defaults
// save and restore, halt and resume), run as a process on virtual sensors and
// the virtual clock: the command sent (from --verbose) and what is said.

#include <gtest/gtest.h>

#include "TolvanectlProcess.h"
#include "TolvanectlTestSupport.h"

namespace {

struct DeviceCommandCase {
    const char* Label;
    std::vector<std::string> Args;
    const char* Firmware;
    int Status;
    std::vector<std::uint8_t> Commands;  // sent to the sensor, in order
    const char* Said;                    // on standard output with status 0, else on standard error
};

// Failures name the row, not its bytes.
void PrintTo(const DeviceCommandCase& c, std::ostream* out)
{
    *out << c.Label;
}

class TolvanectlDeviceCommand : public testing::TestWithParam<DeviceCommandCase> {};

TEST_P(TolvanectlDeviceCommand, SendsItsCommand)
{
    const DeviceCommandCase& c = GetParam();
    std::vector<std::string> args = {"-v", "--sim-firmware", c.Firmware};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    const ProcessResult run = RunOnSim(args);
    EXPECT_EQ(run.Status, c.Status) << run.Err;
    EXPECT_TRUE(Contains(c.Status == 0 ? run.Out : run.Err, c.Said)) << run.Out << run.Err;
    EXPECT_EQ(CommandsOf(ExchangesWith(WireOf(run.Err), "sim1")), c.Commands);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TolvanectlDeviceCommand,
    testing::Values(
        DeviceCommandCase{"reset",
                          {"reset"},
                          "4.10",
                          0,
                          Concat({0xA0}, kFullRead),
                          "sensor 1 (sim1): factory defaults restored\n"},
        // Firmware 4.00 to 4.09 comes back with the idle flags repaired.
        DeviceCommandCase{"reset_repaired",
                          {"reset"},
                          "4.05",
                          0,
                          Concat(Concat(Concat({0xA0}, kFullRead), {0x85, kCommit}), kFullRead),
                          "factory defaults restored"},
        DeviceCommandCase{"defaults_save",
                          {"defaults", "save"},
                          "4.00",
                          0,
                          Concat({0x8A, 0xE0}, kFullRead),
                          "sensor 1 (sim1): user defaults saved\n"},
        DeviceCommandCase{"defaults_restore",
                          {"defaults", "restore"},
                          "4.00",
                          0,
                          Concat({0x8A, 0xD0}, kFullRead),
                          "sensor 1 (sim1): user defaults restored\n"},
        DeviceCommandCase{"defaults_save_old_firmware",
                          {"defaults", "save"},
                          "3.99",
                          1,
                          {0x8A},
                          "This Feature is not supported on your current Firmware!"},
        DeviceCommandCase{"defaults_restore_old_firmware",
                          {"defaults", "restore"},
                          "3.50",
                          1,
                          {0x8A},
                          "This Feature is not supported on your Firmware Version!"},
        DeviceCommandCase{"halt", {"halt"}, "4.05", 0, {0xB1}, "sensor 1 (sim1): key sends halted\n"},
        DeviceCommandCase{"resume", {"resume"}, "4.05", 0, {0xB0}, "sensor 1 (sim1): key sends resumed\n"},
        DeviceCommandCase{"reset_fails",
                          {"--sim-fail-transfer", "1", "reset"},
                          "4.10",
                          1,
                          {0xA0},
                          "sensor 1 (sim1): the factory reset failed (status 00080202)"}),
    [](const testing::TestParamInfo<DeviceCommandCase>& instance) {
        return std::string(instance.param.Label);
    });

}  // namespace
