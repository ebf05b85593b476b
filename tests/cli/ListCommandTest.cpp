// tolvanectl list run as a process on virtual sensors and the virtual clock:
// one line per sensor from its device info alone, every sensor asked at once.

#include <gtest/gtest.h>

#include "TolvanectlProcess.h"
#include "TolvanectlTestSupport.h"

namespace {

TEST(TolvanectlList, OneLinePerSensorReadingNoConfigurationBlock)
{
    const ProcessResult run = RunOnSim({"--sim-sensors", "2", "--sim-firmware", "4.05,1.44", "-v", "list"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out,
              "1  sim1  fff0:0001  firmware 4.05  LUID 1\n"
              "2  sim2  fff0:0001  firmware 1.44  LUID 2\n");
    const auto wire = WireOf(run.Err);
    EXPECT_EQ(LastTimeOfEachSensor(wire, {"sim1", "sim2"}), (std::vector<std::uint64_t>{250, 250}))
        << "both sensors are asked at once";
    for (const char* node : {"sim1", "sim2"}) {
        const std::vector<Exchange> exchanges = ExchangesWith(wire, node);
        ASSERT_EQ(exchanges.size(), 1u) << node;
        EXPECT_EQ(exchanges[0].Command, 0x8A);
        EXPECT_FALSE(exchanges[0].Write);
    }
}

TEST(TolvanectlList, AnUnreadableSensorIsListedAndFailsTheRun)
{
    const ProcessResult run =
        RunOnSim({"--sim-sensors", "2", "--sim-fail-sensor", "2", "--sim-fail-transfer", "1", "list"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out,
              "1  sim1  fff0:0001  firmware 4.05  LUID 1\n"
              "2  sim2  fff0:0001  firmware 4.05  LUID unknown\n");
    EXPECT_TRUE(Contains(run.Err, "cannot read the device info of sensor 2 (sim2) (status 00020202)"))
        << run.Err;
}

}  // namespace
