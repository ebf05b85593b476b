// tolvanectl and a sensor another program is using: it waits, then does
// exactly what it does alone; at --wait it gives up with exit status 4,
// having sent nothing; on a terminal it says that it waits.

#include <gtest/gtest.h>

#include <ostream>
#include <regex>

#include "TolvanectlProcess.h"

namespace {

const char* const kGaveUp =
    "tolvanectl: sim1 is in use by another program; gave up after waiting 1 s (--wait)\n";

struct Command {
    const char* Name;
    std::vector<std::string> Args;
};

void PrintTo(const Command& command, std::ostream* os)
{
    *os << command.Name;
}

const Command kCommands[] = {
    {"show", {"show"}},
    {"set", {"set", "ping-rate=300"}},
    {"reset", {"reset"}},
    {"defaults_save", {"defaults", "save"}},
    {"halt", {"halt"}},
    {"range", {"range"}},
    {"range_follow", {"range", "--follow", "--count", "2"}},
    {"list", {"list"}},
};

// The output without the wall-clock stamps of range --follow.
std::string Untimed(const std::string& out)
{
    return std::regex_replace(out, std::regex("(^|\n)[0-9T:.-]+Z  "), "$1");
}

std::vector<std::string> With(std::vector<std::string> options, const std::vector<std::string>& args)
{
    options.insert(options.end(), args.begin(), args.end());
    return options;
}

class HeldSensor : public ::testing::TestWithParam<Command> {};

TEST_P(HeldSensor, WaitsThenDoesWhatItDoesAlone)
{
    const ProcessResult alone = RunOnSim(With({"-v"}, GetParam().Args));
    const ProcessResult waited = RunOnSim(With({"-v", "--sim-held", "2000", "--wait", "5"}, GetParam().Args));

    EXPECT_EQ(waited.Status, alone.Status) << waited.Err;
    EXPECT_EQ(Untimed(waited.Out), Untimed(alone.Out));
    const std::vector<WireReport> wire = WireOf(waited.Err);
    ASSERT_FALSE(wire.empty());
    EXPECT_EQ(wire.front().TimeMs, 2000u) << "the first report goes when the other program lets go";
    EXPECT_EQ(ExchangesWith(wire, "sim1"), ExchangesWith(WireOf(alone.Err), "sim1"));
}

TEST_P(HeldSensor, GivesUpAtTheLimitHavingSentNothing)
{
    const ProcessResult result =
        RunOnSim(With({"-v", "--sim-held", "600000", "--wait", "1"}, GetParam().Args));

    EXPECT_EQ(result.Status, 4);
    EXPECT_TRUE(WireOf(result.Err).empty()) << result.Err;
    EXPECT_NE(result.Err.find(kGaveUp), std::string::npos) << result.Err;
}

INSTANTIATE_TEST_SUITE_P(Cases, HeldSensor, ::testing::ValuesIn(kCommands),
                         [](const auto& instance) { return std::string(instance.param.Name); });

TEST(HeldSensorOnATerminal, SaysThatItWaitsOnlyAfterASecond)
{
    const ProcessResult longWait = RunOnSimWithTerminal({"--sim-held", "3000", "show"});
    const ProcessResult shortWait = RunOnSimWithTerminal({"--sim-held", "500", "show"});

    EXPECT_EQ(longWait.Status, 0);
    const std::string line = "tolvanectl: waiting for another program using sim1…";
    const std::size_t said = longWait.Err.find(line);
    EXPECT_NE(said, std::string::npos) << longWait.Err;
    EXPECT_EQ(longWait.Err.find(line, said + 1), std::string::npos) << "said once";
    EXPECT_EQ(shortWait.Status, 0);
    EXPECT_EQ(shortWait.Err.find("waiting for another program"), std::string::npos) << shortWait.Err;
}

TEST(HeldSensorWait, ZeroGivesUpAtOnceAndTheLimitIsChecked)
{
    const ProcessResult atOnce = RunOnSim({"--sim-held", "1", "--wait", "0", "show"});
    EXPECT_EQ(atOnce.Status, 4);

    const ProcessResult tooLong = RunOnSim({"--wait", "3601", "show"});
    EXPECT_EQ(tooLong.Status, 2);
    EXPECT_EQ(tooLong.Err, "tolvanectl: --wait must be 0 to 3600\nRun with --help for more information.\n");
}

}  // namespace
