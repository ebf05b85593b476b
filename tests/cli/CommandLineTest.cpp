// tolvanectl as a whole, run as a process on virtual sensors and the virtual
// clock: its version, help and usage errors, no sensor and the choice of
// sensor, a sensor this user may not open, what a script can trust of its
// exit status, output and wire, the progress line and --verbose.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>

#include "TolvanectlProcess.h"
#include "TolvanectlTestSupport.h"

namespace {

// ---- Program, help and usage --------------------------------------------------

TEST(TolvanectlProgram, VersionAndHelpPerCommand)
{
    const ProcessResult version = RunTolvanectl({"--version"});
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out, "tolvanectl 3.90\n");

    for (const char* command :
         {"list", "show", "save", "load", "set", "range", "reset", "defaults", "halt", "resume"}) {
        const ProcessResult help = RunTolvanectl({command, "--help"});
        EXPECT_EQ(help.Status, 0) << command;
        EXPECT_TRUE(Contains(help.Out, command)) << help.Out;
    }
    EXPECT_TRUE(Contains(RunTolvanectl({"--help"}).Out, "Exit status: 0 success, 1 device or file failure"));
}

struct UsageCase {
    const char* Label;
    std::vector<std::string> Args;
    const char* Said;
};

// Failures name the row, not its bytes.
void PrintTo(const UsageCase& c, std::ostream* out)
{
    *out << c.Label;
}

class TolvanectlUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(TolvanectlUsage, IsRefusedWithStatus2AndNothingSent)
{
    const UsageCase& c = GetParam();
    std::vector<std::string> args = {"-v"};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    const ProcessResult run = RunOnSim(args);
    EXPECT_EQ(run.Status, 2) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_TRUE(Contains(run.Err, c.Said)) << run.Err;
    EXPECT_TRUE(WritesTo(WireOf(run.Err), "sim1").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TolvanectlUsage,
    testing::Values(
        UsageCase{"no command", {}, "tolvanectl: a command is required"},
        UsageCase{"unknown command", {"frobnicate"}, "tolvanectl: unknown command: frobnicate"},
        UsageCase{"unknown option", {"show", "--bogus"}, "tolvanectl: unexpected argument: --bogus"},
        UsageCase{"defaults without save or restore", {"defaults"}, "defaults: expected save or restore"},
        UsageCase{"unknown setting among good ones",
                  {"set", "ping-rate=300", "bogus=1", "dead-target=maybe"},
                  "tolvanectl: no setting named bogus\ntolvanectl: dead-target: expected on or off: maybe\n"},
        UsageCase{"unit of another setting",
                  {"set", "ping-rate=300 inches"},
                  "ping-rate: counted in ms, not inches"},
        UsageCase{"delay in minutes while it counts seconds",
                  {"set", "in-range-delay=2 minutes"},
                  "in-range-delay: counted in seconds, not minutes (see in-range-delay-unit)"},
        UsageCase{"more sim sensors than the library holds",
                  {"--sim-sensors", "65", "list"},
                  "--sim-sensors must be 0 to 64"},
        UsageCase{"extra argument", {"show", "extra"}, "extra"},
        UsageCase{"set without settings", {"set"}, "NAME=VALUE is required"},
        UsageCase{"set without a value", {"set", "ping-rate"}, "expected NAME=VALUE: ping-rate"},
        UsageCase{"unknown setting", {"set", "bogus=1"}, "no setting named bogus"},
        UsageCase{"not a number", {"set", "ping-rate=12x"}, "ping-rate: not a number: 12x"},
        UsageCase{"not a switch", {"set", "dead-target=maybe"}, "expected on or off"},
        UsageCase{"not a key", {"set", "walk-away-keys=LGUI+NOKEY"}, "no key named"},
        UsageCase{"too many key sets", {"set", "walk-away-keys=A,B,C,D,E,F,G"}, "at most 6 key sets"},
        UsageCase{"read-only setting", {"set", "keep-alive-rate=5"}, "read only"},
        UsageCase{"delay refused with key sets",
                  {"set", "walk-away-key-delay=63"},
                  "Inter-Key Delay must be >= 64 and <= 16320 msec!"},
        UsageCase{"save without a file", {"save"}, "FILE is required"},
        UsageCase{"csv without follow", {"range", "--csv"}, "--csv requires --follow"},
        UsageCase{"interval below 100", {"range", "-f", "-i", "99"}, "Time in msec must be >= 100"},
        UsageCase{"bad sim firmware", {"--sim-firmware", "4.5", "show"}, "not a firmware version: 4.5"},
        UsageCase{"bad LUID", {"-s", "luid:x", "show"}, "not a LUID: x"},
        UsageCase{"all and one sensor",
                  {"-s", "2", "load", "--all", "f.txt"},
                  "--all and --sensor exclude each other"}),
    NameFromLabel{});

// ---- No sensor and the choice of sensor --------------------------------------------

TEST(TolvanectlSensors, EveryCommandWithoutASensorEndsWithStatus3)
{
    const std::vector<std::vector<std::string>> commands = {{"list"},
                                                            {"show"},
                                                            {"save", "/tmp/tolvanectl-never-written"},
                                                            {"load", "/tmp/x"},
                                                            {"load", "--all", "/tmp/x"},
                                                            {"set", "ping-rate=300"},
                                                            {"range"},
                                                            {"reset"},
                                                            {"defaults", "save"},
                                                            {"defaults", "restore"},
                                                            {"halt"},
                                                            {"resume"}};
    for (std::vector<std::string> args : commands) {
        args.insert(args.begin(), {"--sim-sensors", "0"});
        const ProcessResult run = RunOnSim(args);
        EXPECT_EQ(run.Status, 3) << args[2];
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, "tolvanectl: no sensor connected\n");
    }
    EXPECT_FALSE(std::filesystem::exists("/tmp/tolvanectl-never-written"));
}

TEST(TolvanectlSensors, ChosenByNumberLuidOrNode)
{
    for (const std::string choice : {"2", "luid:2", "sim2"}) {
        const ProcessResult run = RunOnSim({"--sim-sensors", "2", "-v", "-s", choice, "show", "--json"});
        ASSERT_EQ(run.Status, 0) << choice << run.Err;
        EXPECT_EQ(nlohmann::json::parse(run.Out)["sensor"]["node"], "sim2") << choice;
        const auto wire = WireOf(run.Err);
        // Finding a LUID reads the device info of each sensor first.
        const bool byLuid = choice.starts_with("luid:");
        EXPECT_EQ(CommandsOf(ExchangesWith(wire, "sim2")), byLuid ? Concat({0x8A}, kFullRead) : kFullRead)
            << choice;
        EXPECT_EQ(CommandsOf(ExchangesWith(wire, "sim1")),
                  byLuid ? std::vector<std::uint8_t>{0x8A} : std::vector<std::uint8_t>{})
            << choice;
    }
    for (const char* choice : {"3", "luid:9", "sim9", "0"}) {
        const ProcessResult run = RunOnSim({"--sim-sensors", "2", "-s", choice, "show"});
        EXPECT_EQ(run.Status, 3) << choice;
        EXPECT_EQ(run.Out, "");
        EXPECT_TRUE(Contains(run.Err, "tolvanectl: no sensor")) << run.Err;
    }
}

TEST(TolvanectlSensors, ASensorThisUserMayNotOpenIsSaidWithTheUdevRule)
{
    const std::string hint =
        "tolvanectl: install the udev rule 70-tolvane.rules and replug the sensor (README, \"Real sensors: "
        "the "
        "udev rule\")\n";
    const ProcessResult show = RunOnSim({"--sim-deny-access", "1", "show"});
    EXPECT_EQ(show.Status, 3);
    EXPECT_EQ(show.Out, "");
    EXPECT_EQ(show.Err, "tolvanectl: A sensor is connected but this user may not open it: sim1\n" + hint);

    const ProcessResult list = RunOnSim({"--sim-sensors", "2", "--sim-deny-access", "1", "list"});
    EXPECT_EQ(list.Status, 0);
    EXPECT_EQ(list.Out,
              "1  sim2  fff0:0001  firmware 4.05  LUID 2\n"
              "-  sim1  fff0:0001  not accessible to this user\n");
    EXPECT_EQ(list.Err, "tolvanectl: A sensor is connected but this user may not open it: sim1\n" + hint);

    const ProcessResult none = RunOnSim({"--sim-sensors", "2", "--sim-deny-access", "1,2", "list"});
    EXPECT_EQ(none.Status, 3);
    EXPECT_EQ(none.Out,
              "-  sim1  fff0:0001  not accessible to this user\n"
              "-  sim2  fff0:0001  not accessible to this user\n");
}

// ---- What a script can trust: exit status, output and the wire ---------------------

std::string Replaced(std::string text, const std::string& what, const std::string& with)
{
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

struct TrustCase {
    const char* Label;
    std::vector<std::string> Args;  // "{file}": the template below
    std::vector<std::pair<std::string, std::string>> Template;
    int Status;
    std::string Out;
    std::string Said;  // standard error apart from the wire; "{file}" as above
    // Commands written to the sensor (data reports and commits); nullopt: no
    // report at all, not even a read.
    std::optional<std::vector<std::uint8_t>> Writes;
};

void PrintTo(const TrustCase& c, std::ostream* out)
{
    *out << c.Label;
}

class TolvanectlTrust : public testing::TestWithParam<TrustCase> {};

TEST_P(TolvanectlTrust, StatusOutputAndWire)
{
    const TrustCase& c = GetParam();
    TempDir dir;
    const std::string file = c.Template.empty() ? "" : TemplateWith(dir, "case.txt", c.Template);
    std::vector<std::string> args = {"-v"};
    for (const std::string& arg : c.Args) args.push_back(Replaced(arg, "{file}", file));
    const ProcessResult run = RunOnSim(args);
    EXPECT_EQ(run.Status, c.Status);
    EXPECT_EQ(run.Out, c.Out);
    EXPECT_EQ(SaidOf(run.Err), Replaced(c.Said, "{file}", file));
    const auto wire = WireOf(run.Err);
    if (c.Writes)
        EXPECT_EQ(CommandsOf(WritesTo(wire, "sim1")), *c.Writes);
    else
        EXPECT_TRUE(wire.empty()) << run.Err;
}

const std::string kUsageHint = "Run with --help for more information.\n";
const std::vector<std::uint8_t> kNothing = {};
const std::vector<std::uint8_t> kSonar = {0x80, kCommit};

INSTANTIATE_TEST_SUITE_P(
    TenFaults, TolvanectlTrust,
    testing::Values(
        // 1. A one-byte setting is held at 255 and said, never wrapped.
        TrustCase{
            "fault send rate 300",
            {"set", "fault-send-rate=300"},
            {},
            0,
            "fault-send-rate=255\n",
            "tolvanectl: fault-send-rate: The Maximum MinDist Fault Send Rate is 255 sec! (corrected from "
            "300 to 255)\n",
            kWalkAway},
        TrustCase{
            "fault send rate 256",
            {"set", "fault-send-rate=256"},
            {},
            0,
            "fault-send-rate=255\n",
            "tolvanectl: fault-send-rate: The Maximum MinDist Fault Send Rate is 255 sec! (corrected from "
            "256 to 255)\n",
            kWalkAway},
        // 2. A block the library refuses is named and nothing is written.
        TrustCase{
            "load of a key count of 7",
            {"load", "{file}"},
            {{"KeyCountWA", "7"}, {"PingRateS", "600"}},
            1,
            "",
            "tolvanectl: sensor 1 (sim1): refused: WalkAway: KeyCountWA is 7, not 0 to 6 (walk-away-keys)\n"
            "tolvanectl: sensor 1 (sim1): nothing written\n",
            kNothing},
        TrustCase{
            "load of two refused blocks among good ones",
            {"load", "{file}"},
            {{"PingRateS", "1500"}, {"KeyCountWU", "9"}, {"Key1CodeWA", "4"}, {"DMTOTmI", "9"}},
            1,
            "",
            "tolvanectl: sensor 1 (sim1): refused: WalkUp: KeyCountWU is 9, not 0 to 6 (walk-to-keys)\n"
            "tolvanectl: sensor 1 (sim1): refused: Sonar: PingRateS is 1500, not 200 to 1020 (ping-rate)\n"
            "tolvanectl: sensor 1 (sim1): nothing written\n",
            kNothing},
        // 3. Extension sets on a sensor that refuses them: refused before any
        // write when they hold key sets, left alone when empty.
        TrustCase{
            "load of extension key sets onto a sensor that refuses them",
            {"--sim-refuse-extension-sets", "load", "{file}"},
            {{"KeyCountWAEx", "1"}, {"Key1CodeWAEx", "4"}, {"KeyCountWA", "2"}, {"PingRateS", "600"}},
            1,
            "",
            "tolvanectl: sensor 1 (sim1): refused: WalkAwayEx: walk-away-ext-keys has key sets, and the "
            "sensor refuses the extension sets\n"
            "tolvanectl: sensor 1 (sim1): nothing written\n",
            kNothing},
        TrustCase{"load of empty extension sets onto a sensor that refuses them",
                  {"--sim-refuse-extension-sets", "load", "{file}"},
                  {{"PingRateS", "600"}, {"Key1CodeWAEx", "4"}},
                  0,
                  "sensor 1 (sim1): wrote Sonar\n",
                  "",
                  kSonar},
        TrustCase{"set of extension key sets on a sensor that refuses them",
                  {"--sim-refuse-extension-sets", "set", "walk-away-ext-keys=A", "ping-rate=300"},
                  {},
                  1,
                  "",
                  "tolvanectl: walk-away-ext-keys: not on this sensor (it refuses the extension sets)\n"
                  "tolvanectl: sensor 1 (sim1): nothing written\n",
                  kNothing},
        // 4. A value refused in a later block writes no earlier one.
        TrustCase{"walk-to delay refused after walk-away keys",
                  {"set", "walk-away-keys=A", "walk-to-key-delay=63"},
                  {},
                  2,
                  "",
                  "tolvanectl: sensor 1 (sim1): refused: WalkUp: InterKeyDelayWU is 63, not 64 to 16320 "
                  "(walk-to-key-delay)\n"
                  "tolvanectl: sensor 1 (sim1): nothing written\n",
                  kNothing},
        TrustCase{"every refused setting named",
                  {"set", "walk-away-keys=A,B,C,D,E,F,G", "walk-to-keys=A", "walk-to-key-delay=20",
                   "ping-rate=300"},
                  {},
                  2,
                  "",
                  "tolvanectl: walk-away-keys: at most 6 key sets\n"
                  "tolvanectl: walk-to-key-delay: Inter-Key Delay must be >= 64 and <= 16320 msec!\n"
                  "tolvanectl: sensor 1 (sim1): nothing written\n",
                  kNothing},
        // 5. An empty sensor choice chooses none.
        TrustCase{"empty sensor choice",
                  {"-s", "", "set", "ping-rate=300"},
                  {},
                  2,
                  "",
                  "tolvanectl: --sensor is empty: give a number from 'list', luid:N or a device node\n" +
                      kUsageHint,
                  std::nullopt},
        // 6. The unknown word is named.
        TrustCase{"misspelt command",
                  {"shwo"},
                  {},
                  2,
                  "",
                  "tolvanectl: unknown command: shwo\n" + kUsageHint,
                  std::nullopt},
        TrustCase{"unknown defaults command",
                  {"defaults", "bogus"},
                  {},
                  2,
                  "",
                  "tolvanectl: defaults: unknown command: bogus\n" + kUsageHint,
                  std::nullopt},
        // 7. Numbers out of range, said in a few words.
        TrustCase{"fail transfer 0",
                  {"--sim-fail-transfer", "0", "show"},
                  {},
                  2,
                  "",
                  "tolvanectl: --sim-fail-transfer must be at least 1\n" + kUsageHint,
                  std::nullopt},
        TrustCase{"count 0",
                  {"range", "--follow", "--count", "0"},
                  {},
                  2,
                  "",
                  "tolvanectl: --count must be at least 1\n" + kUsageHint,
                  std::nullopt},
        // 8. Firmware is MAJOR.MINOR.
        TrustCase{"firmware abc",
                  {"--sim-firmware", "abc", "show"},
                  {},
                  2,
                  "",
                  "tolvanectl: --sim-firmware: not a firmware version: abc (MAJOR.MINOR, e.g. 4.05)\n",
                  std::nullopt},
        TrustCase{"firmware 1e3",
                  {"--sim-firmware", "1e3", "show"},
                  {},
                  2,
                  "",
                  "tolvanectl: --sim-firmware: not a firmware version: 1e3 (MAJOR.MINOR, e.g. 4.05)\n",
                  std::nullopt},
        // 9. What show prints, set takes.
        TrustCase{"no key set as show prints it",
                  {"set", "walk-to-keys=none", "walk-away-keys=NONE"},
                  {},
                  0,
                  "walk-to-keys=none\nwalk-away-keys=none\n",
                  "",
                  kWalkAway},
        TrustCase{"switch in capitals",
                  {"set", "in-range-led=OFF", "dead-target=True"},
                  {},
                  0,
                  "in-range-led=off\ndead-target=on\n",
                  "",
                  kSonar},
        TrustCase{"number with its unit",
                  {"set", "walk-away-key-delay=128 ms", "min-distance=14 inches", "in-range-delay=2 seconds"},
                  {},
                  0,
                  "walk-away-key-delay=128\nmin-distance=14\nin-range-delay=2\n",
                  "",
                  kNothing},
        // 10. Corrected distances are ones the library takes, and the sensor
        // holds them when read back.
        TrustCase{"distances 0 and 0",
                  {"set", "min-distance=0", "max-distance=0"},
                  {},
                  0,
                  "min-distance=1\nmax-distance=15\n",
                  "tolvanectl: min-distance: corrected from 0 to 1\ntolvanectl: max-distance: corrected from "
                  "0 to 15\n",
                  kSonar},
        TrustCase{"distances 80 and 80",
                  {"set", "min-distance=80", "max-distance=80"},
                  {},
                  0,
                  "min-distance=59\nmax-distance=72\n",
                  "tolvanectl: min-distance: corrected from 80 to 59\n"
                  "tolvanectl: max-distance: corrected from 80 to 72\n",
                  kSonar},
        // The wire's steps (4 ms, 64 ms, sensor units) are no difference on read-back.
        TrustCase{"values the wire rounds",
                  {"set", "ping-rate=1019", "walk-away-key-delay=100", "dead-target-delta=13"},
                  {},
                  0,
                  "ping-rate=1019\nwalk-away-key-delay=100\ndead-target-delta=13\n",
                  "",
                  Concat(Concat(kWalkAway, kSonar), {0x85, kCommit})}),
    NameFromLabel{});

// ---- Progress -------------------------------------------------------------------

// Shown on a terminal once an operation has taken a second (of the virtual
// clock here), and wiped when it ends; never on a file.
TEST(TolvanectlProgress, OnATerminalOnlyAfterASecond)
{
    const ProcessResult shown = RunOnSimWithTerminal({"show"});
    ASSERT_EQ(shown.Status, 0);
    EXPECT_TRUE(shown.Err.starts_with("\rReading sensor 1 (sim1) ... 1.0 s\x1b[K")) << shown.Err;
    EXPECT_TRUE(shown.Err.ends_with("2.8 s\x1b[K\r\x1b[K")) << shown.Err;
    EXPECT_EQ(RunOnSimWithTerminal({"range"}).Err, "");
    EXPECT_EQ(RunOnSim({"show"}).Err, "");
}

// ---- --verbose ---------------------------------------------------------------------

TEST(TolvanectlVerbose, EveryReportWithTimeNodeDirectionAndNineBytes)
{
    const ProcessResult run = RunOnSim({"-v", "range"});
    ASSERT_EQ(run.Status, 0);
    EXPECT_EQ(Lines(run.Err),
              (std::vector<std::string>{"      0 ms  sim1  send  00 8a 00 00 00 00 00 00 00",
                                        "    250 ms  sim1  read  00 01 00 05 04 00 00 00 00",
                                        "    250 ms  sim1  send  00 8f 00 00 00 00 00 00 00",
                                        "    500 ms  sim1  read  00 01 64 00 00 00 00 00 00"}));
    EXPECT_EQ(RunOnSim({"range"}).Err, "");
}

}  // namespace
