#pragma once

// What several of tolvanectl's test files share: the commands of the wire and
// when each sensor's last report came, messages apart from the wire, and
// template files in a folder of the test's own.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "TolvanectlProcess.h"

using Bytes = std::array<std::uint8_t, 9>;

inline constexpr std::uint8_t kCommit = 0x90;

// The eleven exchanges of a complete read.
inline const std::vector<std::uint8_t> kFullRead = {0x80, 0x81, 0x82, 0x83, 0x84, 0x8B,
                                                    0x8B, 0x8B, 0x8B, 0x85, 0x8A};
// The writes of the walk-away block: its two data reports and the commit.
inline const std::vector<std::uint8_t> kWalkAway = {0x81, 0x82, kCommit};

// A parameterised case's test name: its label, every character but letters
// and digits made '_'.
struct NameFromLabel {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& instance) const
    {
        std::string name = instance.param.Label;
        std::ranges::replace_if(
            name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    }
};

bool Contains(const std::string& text, const std::string& part);

std::vector<std::uint8_t> CommandsOf(const std::vector<Exchange>& exchanges);

std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b);

// The time of each sensor's last report: sensors talked to at once all end
// after one sensor's waits.
std::vector<std::uint64_t> LastTimeOfEachSensor(const std::vector<WireReport>& wire,
                                                const std::vector<std::string>& nodes);

// Standard error without the report lines of --verbose.
std::string SaidOf(const std::string& err);

// A folder of this process's own, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string File(const std::string& name) const;

private:
    std::filesystem::path path_;
};

std::string ReadText(const std::string& path);

// Replaces the lines of the file at path that begin with start by line.
void ReplaceLine(const std::string& path, const std::string& start, const std::string& line);

// A template saved from a factory-fresh sensor with some of its lines replaced.
std::string TemplateWith(const TempDir& dir, const std::string& name,
                         const std::vector<std::pair<std::string, std::string>>& lines);
