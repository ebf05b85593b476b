#pragma once

// Runs the tolvanectl program as a process and keeps what it printed and its
// exit status; reads the report lines that --verbose prints.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct ProcessResult {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// tolvanectl with the arguments given, on virtual sensors and the virtual clock.
ProcessResult RunOnSim(const std::vector<std::string>& args);
// tolvanectl with exactly the arguments given.
ProcessResult RunTolvanectl(const std::vector<std::string>& args);

// tolvanectl on virtual sensors and the virtual clock, sent an interrupt
// (SIGINT) once its standard output holds at least lines lines.
ProcessResult RunOnSimUntilInterrupted(const std::vector<std::string>& args, std::size_t lines);

// tolvanectl on virtual sensors and the virtual clock with its standard error
// on a terminal (a pseudo-terminal whose output is kept in Err).
ProcessResult RunOnSimWithTerminal(const std::vector<std::string>& args);

// One report as --verbose prints it.
struct WireReport {
    std::uint64_t TimeMs = 0;
    std::string Node;
    bool Sent = false;
    std::array<std::uint8_t, 9> Bytes{};
    bool Ok = true;
};
std::vector<WireReport> WireOf(const std::string& err);
// One exchange with one sensor: the command report (command and sub-command
// or commit mask) and, for a write, the data report that followed it.
struct Exchange {
    std::uint8_t Command = 0;
    std::uint8_t Sub = 0;
    bool Write = false;
    std::array<std::uint8_t, 9> Data{};
    friend bool operator==(const Exchange&, const Exchange&) = default;
};
std::vector<Exchange> ExchangesWith(const std::vector<WireReport>& wire, const std::string& node);
// The exchanges that wrote to the sensor (data reports and commits).
std::vector<Exchange> WritesTo(const std::vector<WireReport>& wire, const std::string& node);

std::vector<std::string> Lines(const std::string& text);
