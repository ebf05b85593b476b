// tolvanectl show run as a process on virtual sensors and the virtual clock:
// the settings in words and as JSON, as a sensor's firmware has them, one
// sensor or every sensor at once, and a read that fails.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "TolvanectlProcess.h"
#include "TolvanectlTestSupport.h"

namespace {

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
    [](const testing::TestParamInfo<FirmwareFieldCase>& instance) {
        return std::string(instance.param.Label);
    });

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

}  // namespace
