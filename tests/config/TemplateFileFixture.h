#pragma once

// What the template file tests share: blocks to read and write, files to
// make and look at, and a fixture with a fresh library state on the sim and
// a folder of its own.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "config/ConfigModel.h"
#include "config/TemplateFields.h"
#include "config/TemplateFile.h"
#include "devlib/DevLib.h"
#include "platform/sim/SimPlatform.h"

namespace template_file_test {

namespace fs = std::filesystem;

// A new folder of the test's own, which only its user may use where the
// system has such permissions.
inline fs::path MakeTempFolder()
{
#ifdef _WIN32
    std::random_device random;
    for (;;) {
        const fs::path folder = fs::path(::testing::TempDir()) / ("template-" + std::to_string(random()));
        if (fs::create_directory(folder)) return folder;
    }
#else
    std::string pattern = fs::path(::testing::TempDir()) / "template-XXXXXX";
    return ::mkdtemp(pattern.data());
#endif
}

using FieldValues = std::vector<std::pair<std::string, std::uint16_t>>;

inline ConfigSet WithValues(ConfigSet blocks, const FieldValues& values)
{
    for (const auto& [name, value] : values) FieldWord(blocks, *FindTemplateField(name)) = value;
    return blocks;
}

// A configuration every Set operation accepts, with small distinct words.
inline ConfigSet AcceptedBlocks()
{
    ConfigSet blocks{};
    std::uint16_t next = 1;
    for (const TemplateField& field : TemplateFields()) FieldWord(blocks, field) = next++;
    return WithValues(blocks, {{"PingRateS", 300},
                               {"MinDistS", 20},
                               {"MaxDistS", 40},
                               {"KeyCountWA", 2},
                               {"InterKeyDelayWA", 128},
                               {"KeyCountWU", 3},
                               {"InterKeyDelayWU", 192},
                               {"KeyCountWAEx", 4},
                               {"KeyCountWUEx", 5}});
}

// The configuration of the golden file: every field distinct, the extremes
// 0 and 65535 included, every block accepted by the library.
inline ConfigSet GoldenBlocks()
{
    ConfigSet blocks{};
    std::uint16_t index = 0;
    for (const TemplateField& field : TemplateFields()) FieldWord(blocks, field) = 1000 + 37 * index++;
    return WithValues(blocks, {{"PingRateS", 500},
                               {"MinDistS", 14},
                               {"MaxDistS", 60},
                               {"KeyCountWA", 6},
                               {"InterKeyDelayWA", 16320},
                               {"KeyCountWAEx", 7},
                               {"KeyCountWU", 5},
                               {"InterKeyDelayWU", 64},
                               {"KeyCountWUEx", 3},
                               {"Reserved1I", 0},
                               {"Flags0WAEx", 65535}});
}

inline std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const fs::path& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

inline std::set<std::string> FilesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

class TemplateFileTest : public ::testing::Test {
protected:
    TemplateFileTest()
    {
        platform::install(&sim);
        ResetLibState();
        folder = MakeTempFolder();
    }
    ~TemplateFileTest() override
    {
        CloseAllDevices();
        fs::remove_all(folder);
    }

    tsDevSlot& Slot() { return LibState().Slots[0]; }

    // Reads content as a template file into a slot holding AcceptedBlocks().
    ConfigSet ReadFromAccepted(const std::string& content, int expectedResult = 1)
    {
        PutBlocks(Slot(), AcceptedBlocks());
        const fs::path path = folder / "in.txt";
        WriteAll(path, content);
        EXPECT_EQ(ReadDevCfgFmFile(path.string()), expectedResult);
        return BlocksOf(Slot());
    }

    // The result of writing the current record to path or reading it from
    // there, and the reason given.
    static std::string WriteOutcome(const fs::path& path)
    {
        std::string reason;
        const int result = WriteDevCfgToFile(path.string(), &reason);
        return std::to_string(result) + " " + reason;
    }
    static std::string ReadOutcome(const fs::path& path)
    {
        std::string reason;
        const int result = ReadDevCfgFmFile(path.string(), &reason);
        return std::to_string(result) + " " + reason;
    }

    // Each path is refused with its reason, and the sensor's record keeps
    // the accepted blocks with nothing marked changed.
    template <typename Refusals>
    void ExpectReadsRefusedChangingNothing(const Refusals& refusals)
    {
        PutBlocks(Slot(), AcceptedBlocks());
        for (const auto& refusal : refusals) {
            SCOPED_TRACE(refusal.Path.string());
            EXPECT_EQ(ReadOutcome(refusal.Path), "0 " + refusal.Path.string() + ": " + refusal.Reason);
            EXPECT_EQ(BlocksOf(Slot()), AcceptedBlocks());
            EXPECT_EQ(Slot().DirtySonar, 0u);
        }
        EXPECT_EQ(ReadOutcome(""), "0 no file name was given");
    }

    sim::SimPlatform sim;
    fs::path folder;
};

struct Refusal {
    fs::path Path;
    std::string Reason;  // after "<path>: "
};

}  // namespace template_file_test
