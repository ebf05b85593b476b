// tolvanectl save and load run as a process on virtual sensors and the
// virtual clock: the template file saved, the blocks a load writes (from
// --verbose) to one sensor or every sensor at once, and files and sensors
// that fail it.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include <sys/stat.h>

#include "TolvanectlProcess.h"
#include "TolvanectlTestSupport.h"

namespace {

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

TEST(TolvanectlFiles, LoadAllFailsWhenASensorCannotBeOpened)
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

// A full load killed at each of its transfers in turn: never a success line,
// never status 0, and the message names what the sensor was given before the
// failure (and, for a failed write, what it was not).
TEST(TolvanectlFiles, LoadKilledAtEveryTransfer)
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

}  // namespace
