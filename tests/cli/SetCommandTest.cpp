// tolvanectl set run as a process on virtual sensors and the virtual clock:
// the values it takes and corrects as the pages do, the blocks it writes in
// one pass (from --verbose), its read-back, and what it refuses to write.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>
#include <nlohmann/json.hpp>
#include <regex>

#include "SonarCorrectionCases.h"
#include "TolvanectlProcess.h"
#include "TolvanectlTestSupport.h"

namespace {

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
                         testing::ValuesIn(sonar_cases::kCases), NameFromLabel{});

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

TEST(TolvanectlSet, PackedDelaysOfOldFirmware)
{
    const ProcessResult run =
        RunOnSim({"--sim-firmware", "1.42", "set", "in-range-delay=3", "out-of-range-delay=5"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "in-range-delay=3\nout-of-range-delay=5\n");
}

// The byte the sensor receives for a fault send rate above 255 is 255, not
// the number wrapped into a byte (300 arrived as 44, 256 as 0).
TEST(TolvanectlSet, FaultSendRateReachesTheSensorAs255)
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
TEST(TolvanectlSet, ShowsValuesAreTakenBackBySet)
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

}  // namespace
