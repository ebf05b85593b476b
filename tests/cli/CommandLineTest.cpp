// tolvanectl run as a process on virtual sensors and the virtual clock: what
// it prints on standard output and standard error, its exit status, and the
// reports that reach each sensor (from --verbose).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>

#include <sys/stat.h>

#include "SonarCorrectionCases.h"
#include "TolvanectlProcess.h"

namespace {

using Bytes = std::array<std::uint8_t, 9>;

constexpr std::uint8_t kCommit = 0x90;

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::vector<std::uint8_t> CommandsOf(const std::vector<Exchange>& exchanges)
{
    std::vector<std::uint8_t> commands;
    for (const Exchange& e : exchanges) commands.push_back(e.Command);
    return commands;
}

// The eleven exchanges of a complete read.
const std::vector<std::uint8_t> kFullRead = {0x80, 0x81, 0x82, 0x83, 0x84, 0x8B,
                                             0x8B, 0x8B, 0x8B, 0x85, 0x8A};

std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class TempDir {
public:
    TempDir() : path_(std::filesystem::temp_directory_path() / ("tolvanectl-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::string ReadText(const std::string& path)
{
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void ReplaceLine(const std::string& path, const std::string& start, const std::string& line)
{
    std::string text;
    for (const std::string& l : Lines(ReadText(path))) text += (l.rfind(start, 0) == 0 ? line : l) + '\n';
    std::ofstream(path) << text;
}

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
    [](const testing::TestParamInfo<UsageCase>& info) {
        std::string name = info.param.Label;
        std::ranges::replace_if(
            name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

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

TEST(TolvanectlSensors, LoadAllFailsWhenASensorCannotBeOpened)
{
    TempDir dir;
    const std::string path = dir.File("fleet.txt");
    ASSERT_EQ(RunOnSim({"save", path}).Status, 0);
    const ProcessResult run =
        RunOnSim({"--sim-sensors", "2", "--sim-deny-access", "2", "load", "--all", path});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "sensor 1 (sim1): already up to date\n");
    EXPECT_TRUE(Contains(run.Err, "may not open it: sim2")) << run.Err;
}

// ---- list ------------------------------------------------------------------------

// The time of each sensor's last report: sensors talked to at once all end
// after one sensor's waits.
std::vector<std::uint64_t> LastTimeOfEachSensor(const std::vector<WireReport>& wire,
                                                const std::vector<std::string>& nodes)
{
    std::vector<std::uint64_t> last;
    for (const std::string& node : nodes) {
        std::uint64_t time = 0;
        for (const WireReport& report : wire)
            if (report.Node == node) time = std::max(time, report.TimeMs);
        last.push_back(time);
    }
    return last;
}

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

// ---- show ------------------------------------------------------------------------

TEST(TolvanectlShow, WordsAPersonReads)
{
    const ProcessResult run = RunOnSim({"-v", "show"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    for (const char* line : {"Sensor 1 of 1: sim1, firmware 4.05, LUID 1", "Walk-Away",
                             "  walk-away-keys            LGUI+L", "  walk-away-key-delay       128 ms",
                             "  min-distance              14 inches", "  in-range-delay            2 seconds",
                             "  ping-rate                 500 ms", "  in-range-led              on",
                             "  dead-target-delta         11 inches", "  walk-to-keys              none"}) {
        EXPECT_TRUE(Contains(run.Out, std::string(line) + "\n")) << line << "\n" << run.Out;
    }
    // One complete read, nothing else, and its waits.
    const auto wire = WireOf(run.Err);
    EXPECT_EQ(CommandsOf(ExchangesWith(wire, "sim1")), kFullRead);
    EXPECT_EQ(wire.back().TimeMs, 2750u);
}

// Every sensor is read at once: one JSON array of a document per sensor, in
// sensor order; the sensor whose read fails has no settings and its error,
// and the others' documents are whole.
TEST(TolvanectlShow, AllSensorsAtOnceAsAJsonArray)
{
    const ProcessResult run =
        RunOnSim({"-v", "--sim-sensors", "3", "--sim-firmware", "4.05,1.44,4.12", "--sim-fail-sensor", "2",
                  "--sim-fail-transfer", "5", "show", "--all", "--json"});
    EXPECT_EQ(run.Status, 1);
    const nlohmann::json documents = nlohmann::json::parse(run.Out);
    ASSERT_TRUE(documents.is_array());
    ASSERT_EQ(documents.size(), 3u);
    EXPECT_EQ(documents[0]["sensor"]["number"], 1);
    EXPECT_EQ(documents[0]["sensor"]["firmware"], "4.05");
    EXPECT_EQ(documents[1]["sensor"]["number"], 2);
    EXPECT_EQ(documents[1]["settings"], nullptr);
    EXPECT_EQ(documents[1]["error"]["exit_code"], 1);
    EXPECT_EQ(documents[1]["error"]["sensor"], 2);
    EXPECT_TRUE(Contains(documents[1]["error"]["message"].get<std::string>(), "cannot read sensor 2 (sim2)"))
        << documents[1];
    EXPECT_EQ(documents[2]["sensor"]["number"], 3);
    EXPECT_EQ(documents[2]["sensor"]["firmware"], "4.12");
    const ProcessResult alone =
        RunOnSim({"--sim-sensors", "3", "--sim-firmware", "4.05,1.44,4.12", "show", "-s", "3", "--json"});
    ASSERT_EQ(alone.Status, 0) << alone.Err;
    EXPECT_EQ(documents[2], nlohmann::json::parse(alone.Out)) << "the document of the sensor read alone";
    EXPECT_TRUE(Contains(run.Err, "tolvanectl: cannot read sensor 2 (sim2)")) << run.Err;
    const auto wire = WireOf(run.Err);
    EXPECT_EQ(CommandsOf(ExchangesWith(wire, "sim1")), kFullRead);
    EXPECT_EQ(CommandsOf(ExchangesWith(wire, "sim3")), kFullRead);
    EXPECT_EQ(LastTimeOfEachSensor(wire, {"sim1", "sim3"}), (std::vector<std::uint64_t>{2750, 2750}));
}

TEST(TolvanectlShow, AllSensorsAtOnceInWordsInSensorOrder)
{
    const ProcessResult run =
        RunOnSim({"--sim-sensors", "3", "--sim-firmware", "4.05,1.44,4.12", "show", "--all"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::size_t first = run.Out.find("Sensor 1 of 3: sim1, firmware 4.05, LUID 1\n");
    const std::size_t second = run.Out.find("\nSensor 2 of 3: sim2, firmware 1.44, LUID 2\n");
    const std::size_t third = run.Out.find("\nSensor 3 of 3: sim3, firmware 4.12, LUID 3\n");
    EXPECT_EQ(first, 0u) << run.Out;
    EXPECT_TRUE(second != std::string::npos && third != std::string::npos && first < second && second < third)
        << run.Out;
}

TEST(TolvanectlShow, JsonLayout)
{
    const ProcessResult run = RunOnSim({"show", "--json"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const nlohmann::json doc = nlohmann::json::parse(run.Out);
    EXPECT_EQ(doc["layout"], 1);
    EXPECT_EQ(doc["sensor"],
              nlohmann::json::parse(R"({"number": 1, "count": 1, "node": "sim1", "vendor_id": "fff0",
                 "product_id": "0001", "firmware": "4.05", "luid": 1, "extension_sets": true})"));
    const nlohmann::json& s = doc["settings"];
    EXPECT_EQ(s["walk-away-keys"], nlohmann::json::array({"LGUI+L"}));
    EXPECT_EQ(s["walk-to-keys"], nlohmann::json::array());
    EXPECT_EQ(s["ping-rate"], 500);
    EXPECT_EQ(s["in-range-delay-unit"], "seconds");
    EXPECT_EQ(s["in-range-led"], true);
    EXPECT_EQ(s.size(), 25u);
}

struct FirmwareFieldCase {
    const char* Label;
    const char* Firmware;
    const char* Setting;
    bool Shown;
};

void PrintTo(const FirmwareFieldCase& c, std::ostream* out)
{
    *out << c.Label;
}

class TolvanectlShowFirmware : public testing::TestWithParam<FirmwareFieldCase> {};

// The fields a sensor's pages hide are null in JSON and "not on this sensor" in words.
TEST_P(TolvanectlShowFirmware, FieldsAsThePagesShowThem)
{
    const FirmwareFieldCase& c = GetParam();
    const ProcessResult json = RunOnSim({"--sim-firmware", c.Firmware, "show", "--json"});
    ASSERT_EQ(json.Status, 0) << json.Err;
    EXPECT_EQ(nlohmann::json::parse(json.Out)["settings"][c.Setting].is_null(), !c.Shown);
    const ProcessResult words = RunOnSim({"--sim-firmware", c.Firmware, "show"});
    const std::regex line(std::string("\n  ") + c.Setting + " +not on this sensor\n");
    EXPECT_EQ(std::regex_search(words.Out, line), !c.Shown) << words.Out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TolvanectlShowFirmware,
    testing::Values(FirmwareFieldCase{"no_in_range_led_on_1_42", "1.42", "in-range-led", false},
                    FirmwareFieldCase{"in_range_led_on_1_43", "1.43", "in-range-led", true},
                    FirmwareFieldCase{"no_min_distance_on_4_02", "4.02", "min-distance", false},
                    FirmwareFieldCase{"no_ping_rate_on_4_02", "4.02", "ping-rate", false},
                    FirmwareFieldCase{"power_up_delay_on_4_02", "4.02", "power-up-delay", true},
                    FirmwareFieldCase{"min_distance_on_4_05", "4.05", "min-distance", true}),
    [](const testing::TestParamInfo<FirmwareFieldCase>& info) { return std::string(info.param.Label); });

TEST(TolvanectlShow, PackedDelaysOfOldFirmware)
{
    const ProcessResult run =
        RunOnSim({"--sim-firmware", "1.42", "set", "in-range-delay=3", "out-of-range-delay=5"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "in-range-delay=3\nout-of-range-delay=5\n");
}

TEST(TolvanectlShow, ExtensionSetsASensorDoesNotAnswer)
{
    const ProcessResult run = RunOnSim({"--sim-refuse-extension-sets", "show", "--json"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const nlohmann::json doc = nlohmann::json::parse(run.Out);
    EXPECT_EQ(doc["sensor"]["extension_sets"], false);
    EXPECT_TRUE(doc["settings"]["walk-away-ext-keys"].is_null());
    EXPECT_EQ(doc["settings"]["walk-away-keys"], nlohmann::json::array({"LGUI+L"}));
}

TEST(TolvanectlShow, ReadFailure)
{
    const ProcessResult run = RunOnSim({"--sim-fail-transfer", "1", "show"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "tolvanectl: cannot read sensor 1 (sim1) (status 00020202)\n");
}

// ---- set -------------------------------------------------------------------------

class TolvanectlSetCorrections : public testing::TestWithParam<sonar_cases::Case> {};

// The same table the Sonar page's test runs through its widgets.
TEST_P(TolvanectlSetCorrections, MatchThePage)
{
    const sonar_cases::Case& c = GetParam();
    char firmware[8];
    std::snprintf(firmware, sizeof firmware, "%X.%02X", c.Firmware >> 8, c.Firmware & 0xFF);
    std::vector<std::string> args = {"--sim-firmware", firmware, "set"};
    for (const sonar_cases::Field& field : c.Typed)
        if (field.Setting) args.push_back(std::string(field.Setting) + "=" + field.Text);
    const ProcessResult run = RunOnSim(args);
    ASSERT_EQ(run.Status, 0) << run.Err;
    for (const sonar_cases::Field& field : c.Kept) {
        if (field.Setting) {
            EXPECT_TRUE(Contains(run.Out, std::string(field.Setting) + "=" + field.Text + "\n")) << run.Out;
        }
    }
    for (std::size_t i = 0; i < c.Typed.size(); ++i) {
        const sonar_cases::Field& typed = c.Typed[i];
        if (!typed.Setting) continue;
        const bool corrected = std::string(typed.Text) != c.Kept[i].Text;
        EXPECT_EQ(Contains(run.Err, std::string(typed.Setting) + ": "), corrected) << run.Err;
        if (corrected) {
            EXPECT_TRUE(
                Contains(run.Err, std::string("corrected from ") + typed.Text + " to " + c.Kept[i].Text))
                << run.Err;
        }
    }
    for (const char* message : c.Messages)
        if (message) {
            EXPECT_TRUE(Contains(run.Err, message)) << run.Err;
        }
    if (c.Messages[0] == nullptr) {
        EXPECT_FALSE(Contains(run.Err, "The Maximum")) << run.Err;
        EXPECT_FALSE(Contains(run.Err, "The Minimum")) << run.Err;
    }
}

INSTANTIATE_TEST_SUITE_P(SharedWithTheSonarPage, TolvanectlSetCorrections,
                         testing::ValuesIn(sonar_cases::kCases),
                         [](const testing::TestParamInfo<sonar_cases::Case>& info) {
                             std::string name = info.param.Label;
                             std::ranges::replace_if(
                                 name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
                                 '_');
                             return name;
                         });

TEST(TolvanectlSet, WritesOnlyTheChangedBlockThenPauses)
{
    const ProcessResult run = RunOnSim({"-v", "set", "ping-rate=300"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "ping-rate=300\n");
    const auto wire = WireOf(run.Err);
    const std::vector<Exchange> writes = WritesTo(wire, "sim1");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].Command, 0x80);
    EXPECT_EQ(writes[0].Data[2], 300 / 4);
    EXPECT_EQ(writes[1], (Exchange{kCommit, 0x01, false, {}}));
    // Read, write, and one read back of what was written.
    EXPECT_EQ(CommandsOf(ExchangesWith(wire, "sim1")), Concat(Concat(kFullRead, {0x80, kCommit}), kFullRead));
}

TEST(TolvanectlSet, NoVerifySkipsTheReadBack)
{
    const ProcessResult run = RunOnSim({"-v", "set", "--no-verify", "ping-rate=300"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "ping-rate=300\n");
    EXPECT_EQ(CommandsOf(ExchangesWith(WireOf(run.Err), "sim1")), Concat(kFullRead, {0x80, kCommit}));

    TempDir dir;
    const std::string path = dir.File("sensor.txt");
    ASSERT_EQ(RunOnSim({"save", path}).Status, 0);
    ReplaceLine(path, "PingRateS", "PingRateS = 600");
    for (const bool verify : {true, false}) {
        std::vector<std::string> args = {"-v", "load", path};
        if (!verify) args.push_back("--no-verify");
        const ProcessResult load = RunOnSim(args);
        ASSERT_EQ(load.Status, 0) << load.Err;
        EXPECT_EQ(load.Out, "sensor 1 (sim1): wrote Sonar\n");
        const std::vector<std::uint8_t> written = Concat(kFullRead, {0x80, kCommit});
        EXPECT_EQ(CommandsOf(ExchangesWith(WireOf(load.Err), "sim1")),
                  verify ? Concat(written, kFullRead) : written);
    }
}

TEST(TolvanectlSet, OneApplyPassInPageOrder)
{
    const ProcessResult run =
        RunOnSim({"-v", "set", "dead-target=off", "ping-rate=300", "walk-to-keys=LCTL+LALT+DELETE",
                  "walk-away-keys=LGUI+L, K", "luid=70000"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out,
              "dead-target=off\nping-rate=300\nwalk-to-keys=LCTL+LALT+DELETE\nwalk-away-keys=LGUI+L, K\n"
              "luid=65535\n");
    std::vector<std::string> said;
    std::ranges::copy_if(Lines(run.Err), std::back_inserter(said),
                         [](const std::string& line) { return line.starts_with("tolvanectl:"); });
    EXPECT_EQ(said, std::vector<std::string>{"tolvanectl: luid: corrected from 70000 to 65535"});
    const auto wire = WireOf(run.Err);
    const std::vector<Exchange> writes = WritesTo(wire, "sim1");
    EXPECT_EQ(CommandsOf(writes), (std::vector<std::uint8_t>{0x81, 0x82, kCommit, 0x83, 0x84, kCommit, 0x80,
                                                             kCommit, 0x85, kCommit, kCommit, 0x8A}));
    // Walk-away: two keys, LGUI+L then K.
    EXPECT_EQ(writes[0].Data[1], 2);
    EXPECT_EQ(writes[0].Data[3], 0x08);
    EXPECT_EQ(writes[1].Data[3], 0x0F);
    EXPECT_EQ(writes[1].Data[4], 0x0E);
    // The LUID, one byte further on than where it is read.
    EXPECT_EQ(writes.back().Data, (Bytes{0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0}));
    // A pause of 1000 ms after each page's writes.
    std::vector<std::uint64_t> commitTimes;
    for (const WireReport& r : wire)
        if (r.Sent && r.Bytes[1] == kCommit && r.Bytes[0] == 0) commitTimes.push_back(r.TimeMs);
    ASSERT_GE(commitTimes.size(), 2u);
    EXPECT_EQ(commitTimes[1] - commitTimes[0], 1000u + 2 * 250u);
}

TEST(TolvanectlSet, NothingToWriteWhenTheValueIsAlreadyHeld)
{
    const ProcessResult run = RunOnSim({"-v", "set", "ping-rate=500"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "ping-rate=500\n");
    EXPECT_TRUE(WritesTo(WireOf(run.Err), "sim1").empty());
}

TEST(TolvanectlSet, ASettingTheSensorDoesNotHaveWritesNothing)
{
    const ProcessResult run =
        RunOnSim({"-v", "--sim-firmware", "1.42", "set", "ping-rate=300", "in-range-led=off"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_TRUE(Contains(run.Err,
                         "tolvanectl: ping-rate: not on this sensor (firmware 1.42)\n"
                         "tolvanectl: in-range-led: not on this sensor (firmware 1.42)\n"
                         "tolvanectl: sensor 1 (sim1): nothing written\n"))
        << run.Err;
    EXPECT_TRUE(WritesTo(WireOf(run.Err), "sim1").empty());
}

TEST(TolvanectlSet, AWriteTheSensorRefusesNamesTheBlock)
{
    // 22 transfers read the sensor; the walk-away block and its commit take 5
    // more; the 29th is the sonar block's data report.
    const ProcessResult run =
        RunOnSim({"-v", "--sim-fail-transfer", "29", "set", "walk-away-keys=K", "ping-rate=300"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_TRUE(
        Contains(run.Err,
                 "tolvanectl: sensor 1 (sim1): Failed to Write the device Features (Sonar)! The "
                 "write failed (status 00040202)\n"
                 "tolvanectl: sensor 1 (sim1): written: WalkAway; failed: Sonar; not written: none\n"))
        << run.Err;
    EXPECT_EQ(CommandsOf(WritesTo(WireOf(run.Err), "sim1")),
              (std::vector<std::uint8_t>{0x81, 0x82, kCommit, 0x80}));
}

// ---- save and load ------------------------------------------------------------------

TEST(TolvanectlFiles, SaveWritesTheTemplateOfTheSensor)
{
    TempDir dir;
    const std::string path = dir.File("sensor.txt");
    const ProcessResult run = RunOnSim({"save", path});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "sensor 1 (sim1): saved to " + path + "\n");
    const std::vector<std::string> lines = Lines(ReadText(path));
    EXPECT_EQ(lines.size(), 91u);
    EXPECT_EQ(lines[0], "/--- Sonar Configuration Template File ---");
    EXPECT_TRUE(std::ranges::count(lines, "PingRateS = 500     / Ping rate (msec) (min 200, max 1020)") == 1);
}

TEST(TolvanectlFiles, LoadWritesOnlyTheBlocksThatDiffer)
{
    TempDir dir;
    const std::string path = dir.File("sensor.txt");
    ASSERT_EQ(RunOnSim({"save", path}).Status, 0);

    const ProcessResult same = RunOnSim({"-v", "load", path});
    ASSERT_EQ(same.Status, 0) << same.Err;
    EXPECT_EQ(same.Out, "sensor 1 (sim1): already up to date\n");
    EXPECT_TRUE(WritesTo(WireOf(same.Err), "sim1").empty());

    ReplaceLine(path, "PingRateS", "PingRateS = 600");
    const ProcessResult changed = RunOnSim({"-v", "load", path});
    ASSERT_EQ(changed.Status, 0) << changed.Err;
    EXPECT_EQ(changed.Out, "sensor 1 (sim1): wrote Sonar\n");
    const std::vector<Exchange> writes = WritesTo(WireOf(changed.Err), "sim1");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].Data[2], 600 / 4);
    EXPECT_EQ(writes[1], (Exchange{kCommit, 0x01, false, {}}));
}

TEST(TolvanectlFiles, LoadAllWritesEverySensorAndNoLuid)
{
    TempDir dir;
    const std::string path = dir.File("fleet.txt");
    ASSERT_EQ(RunOnSim({"save", path}).Status, 0);
    ReplaceLine(path, "PingRateS", "PingRateS = 600");
    ReplaceLine(path, "Key1CodeWU", "Key1CodeWU = 76");
    ReplaceLine(path, "KeyCountWU", "KeyCountWU = 1");
    ReplaceLine(path, "Key1ModsWU", "Key1ModsWU = 5");

    const ProcessResult run = RunOnSim({"--sim-sensors", "2", "-v", "load", "--all", path});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "sensor 1 (sim1): wrote WalkUp, Sonar\nsensor 2 (sim2): wrote WalkUp, Sonar\n");
    const auto wire = WireOf(run.Err);
    for (const char* node : {"sim1", "sim2"}) {
        const std::vector<Exchange> writes = WritesTo(wire, node);
        ASSERT_EQ(CommandsOf(writes), (std::vector<std::uint8_t>{0x83, 0x84, kCommit, 0x80, kCommit}))
            << node;
        EXPECT_EQ(writes[0].Data[1], 1) << node;     // one key
        EXPECT_EQ(writes[0].Data[3], 0x05) << node;  // LCTL+LALT
        EXPECT_EQ(writes[1].Data[3], 76) << node;    // DELETE
        EXPECT_EQ(writes[3].Data[2], 600 / 4) << node;
    }
    const std::vector<std::uint64_t> last = LastTimeOfEachSensor(wire, {"sim1", "sim2"});
    EXPECT_EQ(last[0], last[1]) << "both sensors are loaded at once";
}

TEST(TolvanectlFiles, LoadAllGoesOnPastAFailedSensor)
{
    TempDir dir;
    const std::string path = dir.File("fleet.txt");
    ASSERT_EQ(RunOnSim({"save", path}).Status, 0);
    ReplaceLine(path, "PingRateS", "PingRateS = 600");
    // The first sensor's sonar data report (its 24th transfer) fails.
    const ProcessResult run = RunOnSim(
        {"--sim-sensors", "2", "--sim-fail-sensor", "1", "--sim-fail-transfer", "24", "load", "--all", path});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "sensor 2 (sim2): wrote Sonar\n");
    EXPECT_TRUE(Contains(run.Err, "sensor 1 (sim1): Failed to Write the device Features (Sonar)!"))
        << run.Err;
}

TEST(TolvanectlFiles, BadTemplateFileWritesNothing)
{
    TempDir dir;
    const std::string garbage = dir.File("photo.jpg");
    std::ofstream(garbage, std::ios::binary) << std::string("\xff\xd8\xff\xe0\0\x10JFIF\0\x01\x01", 13);
    const std::string pipe = dir.File("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {dir.File("missing.txt"), "No such file or directory"},
        {dir.File(""), "this is a folder, not a file"},
        {garbage, "no line of this file is a configuration template value"},
        {pipe, "this is a pipe, not a regular file"},
    };
    for (const auto& [path, reason] : cases) {
        const ProcessResult run = RunOnSim({"-v", "--sim-sensors", "2", "load", "--all", path});
        EXPECT_EQ(run.Status, 1) << path;
        EXPECT_EQ(run.Out, "");
        EXPECT_TRUE(Contains(run.Err, "tolvanectl: " + path + ": " + reason + "\n")) << run.Err;
        // The file is read before any sensor: neither is touched.
        const auto wire = WireOf(run.Err);
        EXPECT_TRUE(ExchangesWith(wire, "sim1").empty());
        EXPECT_TRUE(ExchangesWith(wire, "sim2").empty());
    }
    const std::string unwritable = dir.File("no/such/folder.txt");
    const ProcessResult run = RunOnSim({"save", unwritable});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "tolvanectl: " + unwritable + ": No such file or directory\n");
}

// ---- range -------------------------------------------------------------------------

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

// ---- the sensor's own commands ------------------------------------------------------

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
    [](const testing::TestParamInfo<DeviceCommandCase>& info) { return std::string(info.param.Label); });

// ---- What a script can trust: exit status, output and the wire ---------------------

// Standard error without the report lines of --verbose.
std::string SaidOf(const std::string& err)
{
    static const std::regex report(R"(^ *\d+ ms  .*)");
    std::string said;
    for (const std::string& line : Lines(err))
        if (!std::regex_match(line, report)) said += line + '\n';
    return said;
}

std::string Replaced(std::string text, const std::string& what, const std::string& with)
{
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

// A template saved from a factory-fresh sensor with some of its lines replaced.
std::string TemplateWith(const TempDir& dir, const std::string& name,
                         const std::vector<std::pair<std::string, std::string>>& lines)
{
    const std::string path = dir.File(name);
    EXPECT_EQ(RunOnSim({"save", path}).Status, 0);
    for (const auto& [field, value] : lines) ReplaceLine(path, field + " ", field + " = " + value);
    return path;
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
const std::vector<std::uint8_t> kWalkAway = {0x81, 0x82, kCommit};
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
    [](const testing::TestParamInfo<TrustCase>& info) {
        std::string name = info.param.Label;
        std::ranges::replace_if(
            name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

// The byte the sensor receives for a fault send rate above 255 is 255, not
// the number wrapped into a byte (300 arrived as 44, 256 as 0).
TEST(TolvanectlTrust, FaultSendRateReachesTheSensorAs255)
{
    for (const char* typed : {"fault-send-rate=300", "fault-send-rate=256", "fault-send-rate=99999999999"}) {
        const ProcessResult run = RunOnSim({"-v", "set", typed});
        ASSERT_EQ(run.Status, 0) << run.Err;
        const std::vector<Exchange> writes = WritesTo(WireOf(run.Err), "sim1");
        ASSERT_EQ(CommandsOf(writes), kWalkAway) << typed;
        // The second half of the walk-away block: Flags0WA, then MinFltRepRate.
        EXPECT_EQ(writes[1].Data[2], 0xFF) << typed;
    }
}

// Every value show prints, in words or as JSON, is taken back by set for the
// same setting, and as the value the sensor already holds it writes nothing.
TEST(TolvanectlTrust, ShowsValuesAreTakenBackBySet)
{
    for (const char* firmware : {"4.05", "1.42"}) {
        const ProcessResult shown = RunOnSim({"--sim-firmware", firmware, "show"});
        ASSERT_EQ(shown.Status, 0) << shown.Err;
        const ProcessResult json = RunOnSim({"--sim-firmware", firmware, "show", "--json"});
        ASSERT_EQ(json.Status, 0) << json.Err;
        const nlohmann::json settings = nlohmann::json::parse(json.Out)["settings"];

        std::vector<std::string> fromText = {"-v", "--sim-firmware", firmware, "set"};
        static const std::regex line(R"(^  ([a-z-]+) +(.+)$)");
        for (const std::string& l : Lines(shown.Out)) {
            std::smatch m;
            if (!std::regex_match(l, m, line) || m[2] == "not on this sensor") continue;
            if (m[1].str().starts_with("keep-alive")) continue;  // read only
            fromText.push_back(m[1].str() + "=" + m[2].str());
        }
        std::vector<std::string> fromJson = {"-v", "--sim-firmware", firmware, "set"};
        for (const auto& [name, value] : settings.items()) {
            if (value.is_null() || name.starts_with("keep-alive")) continue;
            std::string text;
            if (value.is_array()) {
                for (const auto& keySet : value)
                    text += (text.empty() ? "" : ", ") + keySet.get<std::string>();
            } else {
                text = value.is_string() ? value.get<std::string>() : value.dump();
            }
            fromJson.push_back(name + "=" + text);
        }
        for (const auto& args : {fromText, fromJson}) {
            ASSERT_GT(args.size(), 15u);
            const ProcessResult run = RunOnSim(args);
            EXPECT_EQ(run.Status, 0) << firmware << '\n' << run.Err;
            EXPECT_EQ(SaidOf(run.Err), "") << firmware;
            EXPECT_TRUE(WritesTo(WireOf(run.Err), "sim1").empty()) << firmware;
        }
    }
}

// A full load killed at each of its transfers in turn: never a success line,
// never status 0, and the message names what the sensor was given before the
// failure (and, for a failed write, what it was not).
TEST(TolvanectlTrust, LoadKilledAtEveryTransfer)
{
    TempDir dir;
    const std::string path = TemplateWith(dir, "full.txt",
                                          {{"KeyCountWA", "2"},
                                           {"Key2CodeWA", "4"},
                                           {"KeyCountWAEx", "1"},
                                           {"Key1CodeWAEx", "5"},
                                           {"KeyCountWU", "1"},
                                           {"Key1CodeWU", "6"},
                                           {"KeyCountWUEx", "1"},
                                           {"Key1CodeWUEx", "7"},
                                           {"PingRateS", "600"},
                                           {"DMTOTmI", "9"}});
    const std::string all = "WalkAway, WalkAwayEx, WalkUp, WalkUpEx, Sonar, Idle";
    const ProcessResult whole = RunOnSim({"-v", "load", path});
    ASSERT_EQ(whole.Status, 0) << whole.Err;
    ASSERT_EQ(whole.Out, "sensor 1 (sim1): wrote " + all + "\n");
    const std::size_t transfers = WireOf(whole.Err).size();
    // Read, six blocks with their commits, one read back.
    ASSERT_EQ(transfers, 22u + 4 * 5 + 2 * 3 + 22u);

    // Which blocks a transfer belongs to, by its command report.
    const auto blockOf = [](const Bytes& command) -> std::string {
        switch (command[1]) {
            case 0x81:
            case 0x82:
                return "WalkAway";
            case 0x83:
            case 0x84:
                return "WalkUp";
            case 0x80:
                return "Sonar";
            case 0x85:
                return "Idle";
            case 0x8B:
                return command[2] <= 0x09 ? "WalkAwayEx" : "WalkUpEx";
        }
        return "";
    };
    for (std::size_t k = 1; k <= transfers; ++k) {
        const ProcessResult run = RunOnSim({"-v", "--sim-fail-transfer", std::to_string(k), "load", path});
        EXPECT_EQ(run.Status, 1) << "transfer " << k;
        EXPECT_EQ(run.Out, "") << "transfer " << k;
        // Blocks whose every data report and commit went through, from the wire.
        std::vector<std::string> committed;
        std::string pending;
        bool pendingOk = true;
        const auto wire = WireOf(run.Err);
        for (std::size_t i = 0; i < wire.size(); ++i) {
            const WireReport& r = wire[i];
            if (!r.Sent) continue;
            if (r.Bytes[1] == kCommit) {
                if (!pending.empty() && pendingOk && r.Ok) committed.push_back(pending);
                pending.clear();
                pendingOk = true;
                continue;
            }
            const std::string block = blockOf(r.Bytes);
            if (block.empty()) continue;
            if (block != pending) {
                pending = block;
                pendingOk = true;
            }
            if (!r.Ok) {
                pendingOk = false;
            } else if (i + 1 < wire.size() && wire[i + 1].Sent) {
                // The command report of a write and its data report.
                pendingOk = pendingOk && wire[i + 1].Ok;
                ++i;
            }
        }
        std::string written;
        for (const std::string& name : committed) written += (written.empty() ? "" : ", ") + name;
        const std::string said = SaidOf(run.Err);
        if (written.empty()) {
            EXPECT_TRUE(Contains(said, "nothing written\n") ||
                        Contains(said, "written: none; failed: WalkAway;"))
                << "transfer " << k << '\n'
                << said;
        } else {
            EXPECT_TRUE(Contains(said, "written: " + written + ";")) << "transfer " << k << '\n' << said;
        }
        // A failed write accounts for every block: written, failed, not written.
        static const std::regex pass(R"(written: (.*); failed: (\w+); not written: (.*))");
        std::smatch m;
        if (std::regex_search(said, m, pass)) {
            std::string accounted = m[1] == "none" ? "" : m[1].str() + ", ";
            accounted += m[2].str();
            if (m[3] != "none") accounted += ", " + m[3].str();
            EXPECT_EQ(accounted, all) << "transfer " << k;
        }
    }
}

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
