// tolvanectl apply run as a process on virtual sensors: the blocks it writes
// (from --verbose), its exit status as a configuration-management run reads it,
// --check and --diff, and its JSON result documents held to their layout.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "TolvanectlProcess.h"
#include "TolvanectlTestSupport.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr int kChanged = 5;

class Files {
public:
    Files()
        : path_(std::filesystem::temp_directory_path() / ("tolvanectl-apply-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(path_);
    }
    ~Files() { std::filesystem::remove_all(path_); }
    std::string Write(const std::string& name, const std::string& text) const
    {
        const std::string path = (path_ / name).string();
        std::ofstream(path) << text;
        return path;
    }

private:
    std::filesystem::path path_;
};

// The settings document of a factory-fresh virtual sensor with the changes given.
std::string SettingsDocument(const Json& changes)
{
    Json document = Json::parse(RunOnSim({"show", "--json"}).Out);
    for (const auto& [name, value] : changes.items()) document["settings"][name] = value;
    return document.dump(2);
}

// Holds a result document to the layout the manual page gives.
void ExpectResultLayout(const Json& document)
{
    std::vector<std::string> keys;
    for (const auto& [key, value] : document.items()) keys.push_back(key);
    ASSERT_EQ(keys, (std::vector<std::string>{"layout", "sensor", "changed", "written", "diff", "error"}))
        << document;
    EXPECT_EQ(document["layout"], 1);
    EXPECT_TRUE(document["sensor"].is_null() || document["sensor"].is_object());
    if (document["sensor"].is_object()) {
        for (const char* field :
             {"number", "count", "node", "vendor_id", "product_id", "firmware", "luid", "extension_sets"})
            EXPECT_TRUE(document["sensor"].contains(field)) << field;
    }
    EXPECT_TRUE(document["changed"].is_boolean());
    EXPECT_TRUE(document["written"].is_array());
    for (const Json& change : document["diff"]) {
        ASSERT_EQ(change.size(), 3u) << change;
        EXPECT_TRUE(change["setting"].is_string());
        EXPECT_TRUE(change.contains("current") && change.contains("wanted"));
    }
    const Json& error = document["error"];
    if (error.is_null()) return;
    ASSERT_EQ(error.size(), 3u) << error;
    EXPECT_TRUE(error["message"].is_string() && !error["message"].get<std::string>().empty());
    EXPECT_TRUE(error["exit_code"].is_number_integer());
    EXPECT_TRUE(error["sensor"].is_null() || error["sensor"].is_number_integer());
}

// Every line of standard output is one result document.
std::vector<Json> ResultDocuments(const ProcessResult& run)
{
    std::vector<Json> documents;
    for (const std::string& line : Lines(run.Out)) {
        documents.push_back(Json::parse(line));
        ExpectResultLayout(documents.back());
    }
    return documents;
}

TEST(TolvanectlApply, ASensorInTheWantedStateIsNotWritten)
{
    Files files;
    const std::string document = files.Write("office.json", SettingsDocument({}));
    const std::string saved = files.Write("office.txt", "");
    ASSERT_EQ(RunOnSim({"save", saved}).Status, 0);
    for (const std::string& path : {document, saved}) {
        const ProcessResult run = RunOnSim({"-v", "apply", "--diff", path});
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Out, "sensor 1 (sim1): already up to date\n");
        EXPECT_TRUE(WritesTo(WireOf(run.Err), "sim1").empty()) << path;
    }
}

TEST(TolvanectlApply, WritesOnlyTheDifferingBlocksAndSaysChanged)
{
    Files files;
    // A LUID in the document is not copied.
    const std::string path = files.Write(
        "office.json",
        SettingsDocument({{"ping-rate", 600}, {"walk-to-keys", {"LCTL+LALT+DELETE"}}, {"luid", 9}}));
    const ProcessResult run = RunOnSim({"-v", "apply", "--diff", path});
    EXPECT_EQ(run.Status, kChanged) << run.Err;
    EXPECT_EQ(run.Out,
              "sensor 1 (sim1): wrote WalkUp, Sonar\n"
              "  walk-to-keys: none -> LCTL+LALT+DELETE\n"
              "  ping-rate: 500 -> 600\n");
    const std::vector<Exchange> writes = WritesTo(WireOf(run.Err), "sim1");
    ASSERT_EQ(CommandsOf(writes), (std::vector<std::uint8_t>{0x83, 0x84, kCommit, 0x80, kCommit}));
    EXPECT_EQ(writes[3].Data[2], 600 / 4);
}

TEST(TolvanectlApply, CheckWritesNothingAndReportsTheSameDiff)
{
    Files files;
    const std::string path =
        files.Write("office.json", SettingsDocument({{"ping-rate", 600}, {"in-range-led", false}}));
    const ProcessResult check = RunOnSim({"-v", "apply", "--check", "--diff", path});
    const ProcessResult apply = RunOnSim({"apply", "--diff", path});
    EXPECT_EQ(check.Status, kChanged) << check.Err;
    EXPECT_EQ(apply.Status, kChanged) << apply.Err;
    EXPECT_EQ(check.Out,
              "sensor 1 (sim1): would write Sonar\n"
              "  ping-rate: 500 -> 600\n"
              "  in-range-led: on -> off\n");
    EXPECT_EQ(Lines(check.Out).at(1), Lines(apply.Out).at(1));
    EXPECT_EQ(Lines(check.Out).at(2), Lines(apply.Out).at(2));
    EXPECT_TRUE(WritesTo(WireOf(check.Err), "sim1").empty());

    const ProcessResult json = RunOnSim({"apply", "--check", "--json", path});
    EXPECT_EQ(json.Status, kChanged);
    const std::vector<Json> documents = ResultDocuments(json);
    ASSERT_EQ(documents.size(), 1u);
    EXPECT_EQ(documents[0]["changed"], true);
    EXPECT_EQ(documents[0]["written"], Json::array());
    EXPECT_EQ(documents[0]["diff"], Json::parse(R"([{"setting": "ping-rate", "current": 500, "wanted": 600},
        {"setting": "in-range-led", "current": true, "wanted": false}])"));
    EXPECT_EQ(documents[0]["error"], nullptr);
}

// A value the sensor holds only in 4 ms steps is compared as it would hold
// it: 601 ms is the 600 it already holds after a write of 600.
TEST(TolvanectlApply, AValueIsComparedAsTheSensorWouldHoldIt)
{
    Files files;
    const std::string path = files.Write("office.txt", "PingRateS = 502\n");
    const ProcessResult run = RunOnSim({"-v", "apply", path});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(WritesTo(WireOf(run.Err), "sim1").empty());
}

TEST(TolvanectlApply, AllGoesOnPastAFailingSensor)
{
    Files files;
    const std::string path =
        files.Write("office.json", SettingsDocument({{"ping-rate", 600}, {"dead-target", true}}));
    // Sensor 2's firmware has no dead-target setting; sensor 3's sonar data
    // report fails.
    const ProcessResult text =
        RunOnSim({"-v", "--sim-sensors", "3", "--sim-firmware", "4.05,1.42,4.05", "apply", "--all", path});
    EXPECT_EQ(text.Status, 1);
    const std::vector<WireReport> wire = WireOf(text.Err);
    EXPECT_EQ(CommandsOf(WritesTo(wire, "sim1")), (std::vector<std::uint8_t>{0x80, kCommit}));
    EXPECT_TRUE(WritesTo(wire, "sim2").empty());
    EXPECT_EQ(CommandsOf(WritesTo(wire, "sim3")), (std::vector<std::uint8_t>{0x80, kCommit}));
    EXPECT_EQ(Lines(text.Out),
              (std::vector<std::string>{"sensor 1 (sim1): wrote Sonar", "sensor 3 (sim3): wrote Sonar"}));
    EXPECT_NE(text.Err.find("tolvanectl: sensor 2 (sim2): nothing written"), std::string::npos) << text.Err;

    const ProcessResult json = RunOnSim(
        {"--sim-sensors", "3", "--sim-firmware", "4.05,1.42,4.05", "apply", "--all", "--json", path});
    EXPECT_EQ(json.Status, 1);
    const std::vector<Json> documents = ResultDocuments(json);
    ASSERT_EQ(documents.size(), 3u);
    EXPECT_EQ(documents[0]["written"], Json::array({"Sonar"}));
    EXPECT_EQ(documents[1]["changed"], false);
    EXPECT_EQ(documents[1]["error"]["exit_code"], 1);
    EXPECT_EQ(documents[1]["error"]["sensor"], 2);
    EXPECT_NE(documents[1]["error"]["message"].get<std::string>().find("dead-target"), std::string::npos)
        << documents[1];
    EXPECT_EQ(documents[2]["error"], nullptr);
}

TEST(TolvanectlApply, AllChangedOnlyWhereASensorDiffers)
{
    Files files;
    const std::string path = files.Write("office.json", SettingsDocument({}));
    const ProcessResult same = RunOnSim({"--sim-sensors", "2", "apply", "--all", path});
    EXPECT_EQ(same.Status, 0) << same.Err;
    const ProcessResult refusing =
        RunOnSim({"--sim-sensors", "2", "--sim-fail-sensor", "1", "--sim-fail-transfer", "24", "apply",
                  "--all", "--json", files.Write("fast.json", SettingsDocument({{"ping-rate", 300}}))});
    EXPECT_EQ(refusing.Status, 1);
    const std::vector<Json> documents = ResultDocuments(refusing);
    ASSERT_EQ(documents.size(), 2u);
    EXPECT_NE(documents[0]["error"]["message"].get<std::string>().find(
                  "Failed to Write the device Features (Sonar)"),
              std::string::npos)
        << documents[0];
    EXPECT_EQ(documents[1]["written"], Json::array({"Sonar"}));
}

struct FailureCase {
    const char* Name;
    std::vector<std::string> Options;
    std::string File;  // the file's text; empty: no file
    int Status;
    const char* Message;  // part of the error's message
};

void PrintTo(const FailureCase& failure, std::ostream* os)
{
    *os << failure.Name;
}

class TolvanectlApplyFailure : public ::testing::TestWithParam<FailureCase> {};

// Each failure is one JSON document with its error and nothing written.
TEST_P(TolvanectlApplyFailure, IsAJsonDocumentAndWritesNothing)
{
    const FailureCase& failure = GetParam();
    Files files;
    const std::string path = failure.File.empty() ? files.Write("missing", "") + ".none"
                                                  : files.Write("wanted.json", failure.File);
    std::vector<std::string> args = failure.Options;
    args.insert(args.end(), {"-v", "apply", "--json"});
    args.push_back(path);
    const ProcessResult run = RunOnSim(args);
    EXPECT_EQ(run.Status, failure.Status) << run.Err;
    const std::vector<Json> documents = ResultDocuments(run);
    ASSERT_EQ(documents.size(), 1u) << run.Out;
    EXPECT_EQ(documents[0]["changed"], false);
    EXPECT_EQ(documents[0]["error"]["exit_code"], failure.Status);
    const std::string message = documents[0]["error"]["message"];
    EXPECT_NE(message.find(failure.Message), std::string::npos) << message;
    EXPECT_TRUE(WritesTo(WireOf(run.Err), "sim1").empty());
}

const std::string kSettings = R"({"layout": 1, "settings": {"ping-rate": 600}})";

INSTANTIATE_TEST_SUITE_P(
    Cases, TolvanectlApplyFailure,
    ::testing::Values(
        FailureCase{"no_sensor", {"--sim-sensors", "0"}, kSettings, 3, "no sensor connected"},
        FailureCase{"sensor_in_use",
                    {"--sim-held", "3000", "--wait", "1"},
                    kSettings,
                    4,
                    "in use by another program"},
        FailureCase{"missing_file", {}, "", 1, "No such file or directory"},
        FailureCase{"not_json", {}, R"({"layout": 1, "settings": {"ping-rate": 600)", 1, "not valid JSON"},
        FailureCase{
            "unknown_setting", {}, R"({"settings": {"ping-rat": 600}})", 1, "no setting named ping-rat"},
        FailureCase{
            "wrong_kind", {}, R"({"settings": {"in-range-led": 3}})", 1, "in-range-led: expected on or off"},
        FailureCase{"negative", {}, R"({"settings": {"ping-rate": -5}})", 1, "ping-rate: not a value"},
        FailureCase{"other_layout", {}, R"({"layout": 2, "settings": {}})", 1, "layout 2"},
        FailureCase{
            "no_settings", {}, R"({"layout": 1, "setings": {}})", 1, "expected an object with \"settings\""},
        FailureCase{"read_only_differs",
                    {},
                    R"({"settings": {"keep-alive-rate": 7}})",
                    1,
                    "keep-alive-rate: read only"},
        FailureCase{"refused_by_library",
                    {},
                    R"({"settings": {"walk-away-key-delay": 20000}})",
                    1,
                    "walk-away-key-delay"}));

}  // namespace

namespace {

TEST(TolvanectlSimState, KeepsTheSensorsFromRunToRunSoASecondApplyChangesNothing)
{
    Files files;
    const std::string state = files.Write("state.json", "");
    std::filesystem::remove(state);
    const std::string path = files.Write("office.json", SettingsDocument({{"ping-rate", 600}}));
    const std::vector<std::string> sim = {"-v", "--sim-state", state, "--sim-sensors", "2"};
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), sim.begin(), sim.end());
        return RunOnSim(args);
    };

    const ProcessResult first = run({"apply", "--all", path});
    EXPECT_EQ(first.Status, kChanged) << first.Err;
    EXPECT_FALSE(WritesTo(WireOf(first.Err), "sim2").empty());
    const ProcessResult second = run({"apply", "--all", path});
    EXPECT_EQ(second.Status, 0) << second.Err;
    EXPECT_TRUE(WritesTo(WireOf(second.Err), "sim1").empty());
    EXPECT_TRUE(WritesTo(WireOf(second.Err), "sim2").empty());

    // A run with fewer sensors keeps the memory of the others.
    ASSERT_EQ(RunOnSim({"--sim-state", state, "set", "luid=7"}).Status, 0);
    const ProcessResult listed = run({"list", "--json"});
    const Json sensors = Json::parse(listed.Out)["sensors"];
    EXPECT_EQ(sensors[0]["luid"], 7);
    EXPECT_EQ(sensors[1]["luid"], 2);
    EXPECT_EQ(Json::parse(run({"-s", "2", "show", "--json"}).Out)["settings"]["ping-rate"], 600);
}

TEST(TolvanectlSimState, AStateFileThatDoesNotReadIsAFailureAndStaysAsItWas)
{
    Files files;
    for (const std::string text : {"{", R"({"layout": 1, "sensors": [{"luid": 1, "config": "00"}]})",
                                   R"({"layout": 9, "sensors": []})"}) {
        const std::string state = files.Write("state.json", text);
        const ProcessResult run = RunOnSim({"--sim-state", state, "list"});
        EXPECT_EQ(run.Status, 1) << text;
        EXPECT_EQ(run.Out, "");
        EXPECT_NE(run.Err.find("tolvanectl: " + state + ": "), std::string::npos) << run.Err;
        std::ifstream kept(state);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()), text);
    }
}

}  // namespace
