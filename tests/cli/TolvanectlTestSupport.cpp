#include "TolvanectlTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>

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

std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

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

std::string SaidOf(const std::string& err)
{
    static const std::regex report(R"(^ *\d+ ms  .*)");
    std::string said;
    for (const std::string& line : Lines(err))
        if (!std::regex_match(line, report)) said += line + '\n';
    return said;
}

TempDir::TempDir()
    : path_(std::filesystem::temp_directory_path() / ("tolvanectl-" + std::to_string(::getpid())))
{
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir()
{
    std::filesystem::remove_all(path_);
}

std::string TempDir::File(const std::string& name) const
{
    return (path_ / name).string();
}

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

std::string TemplateWith(const TempDir& dir, const std::string& name,
                         const std::vector<std::pair<std::string, std::string>>& lines)
{
    const std::string path = dir.File(name);
    EXPECT_EQ(RunOnSim({"save", path}).Status, 0);
    for (const auto& [field, value] : lines) ReplaceLine(path, field + " ", field + " = " + value);
    return path;
}
