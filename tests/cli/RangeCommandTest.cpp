// tolvanectl range run as a process on virtual sensors and the virtual clock:
// one reading, or readings followed at an interval, in words or as CSV.

#include <gtest/gtest.h>

#include <regex>

#include "TolvanectlProcess.h"
#include "TolvanectlTestSupport.h"

namespace {

TEST(TolvanectlRange, OneReading)
{
    const ProcessResult run = RunOnSim({"-v", "range"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "InRange: 29 inches, 01\n");
    // The firmware as the sensor reports it first: a backend may not know it.
    EXPECT_EQ(CommandsOf(ExchangesWith(WireOf(run.Err), "sim1")), (std::vector<std::uint8_t>{0x8A, 0x8F}));
}

TEST(TolvanectlRange, FirmwareWithoutRangeReadout)
{
    const ProcessResult run = RunOnSim({"-v", "--sim-firmware", "1.43", "range"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(CommandsOf(ExchangesWith(WireOf(run.Err), "sim1")), (std::vector<std::uint8_t>{0x8A}));
    EXPECT_TRUE(Contains(run.Err, "The firmware version does not support this Feature.")) << run.Err;
}

TEST(TolvanectlRange, FollowAsCsvAtTheInterval)
{
    const ProcessResult run =
        RunOnSim({"-v", "range", "--follow", "--interval", "400", "--count", "3", "--csv"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<std::string> lines = Lines(run.Out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "time,distance_in,in_range,flags");
    const std::regex row(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z,29,1,01)");
    for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_TRUE(std::regex_match(lines[i], row)) << lines[i];
    std::vector<std::uint64_t> commandTimes;
    for (const WireReport& r : WireOf(run.Err))
        if (r.Sent && r.Bytes[1] == 0x8F) commandTimes.push_back(r.TimeMs);
    EXPECT_EQ(commandTimes, (std::vector<std::uint64_t>{250, 650, 1050}));
}

TEST(TolvanectlRange, FollowRunsUntilInterrupted)
{
    const ProcessResult run = RunOnSimUntilInterrupted({"range", "--follow", "--interval", "100"}, 5);
    EXPECT_EQ(run.Status, 0) << run.Err;
    const std::vector<std::string> lines = Lines(run.Out);
    ASSERT_GE(lines.size(), 5u);
    const std::regex line(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z  InRange: 29 inches, 01)");
    for (const std::string& l : lines) EXPECT_TRUE(std::regex_match(l, line)) << l;
    EXPECT_EQ(run.Err, "");
}

TEST(TolvanectlRange, FollowEndsAtAFailedReading)
{
    // The device info and the first reading take 4 transfers; the 5th fails.
    const ProcessResult run = RunOnSim({"range", "-f", "--sim-fail-transfer", "5"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(Lines(run.Out).size(), 1u);
    EXPECT_TRUE(Contains(run.Err, "sensor 1 (sim1): Failed to Get RangeInfo: Err = 01000202")) << run.Err;
}

}  // namespace
