#include "TolvanectlProcess.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string TempFile()
{
    char name[] = "/tmp/tolvanectl-test-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return name;
}

std::string Slurp(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    std::remove(path.c_str());
    return text.str();
}

std::size_t LineCount(const std::string& path)
{
    std::ifstream file(path);
    std::size_t count = 0;
    for (std::string line; std::getline(file, line);) ++count;
    return count;
}

std::vector<std::string> OnSim(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"--sim", "--sim-instant"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

// Starts the program with its output going to the two files (standard error to
// a pseudo-terminal with onTerminal); when interruptAfterLines is not 0 it gets
// SIGINT once its output has that many lines.
ProcessResult Run(const std::vector<std::string>& args, std::size_t interruptAfterLines,
                  bool onTerminal = false)
{
    const std::string outPath = TempFile();
    const std::string errPath = TempFile();
    std::vector<char*> argv;
    std::string program = TOLVANECTL;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int terminal = -1;
    int terminalSide = -1;
    if (onTerminal && openpty(&terminal, &terminalSide, nullptr, nullptr, nullptr) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_TRUNC);
        const int err = onTerminal ? terminalSide : open(errPath.c_str(), O_WRONLY | O_TRUNC);
        dup2(out, 1);
        dup2(err, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    std::string terminalText;
    if (onTerminal) {
        close(terminalSide);
        char buffer[4096];
        for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) terminalText.append(buffer, n);
        close(terminal);
    }
    if (interruptAfterLines > 0) {
        while (waitpid(child, &status, WNOHANG) == 0) {
            if (LineCount(outPath) >= interruptAfterLines) {
                kill(child, SIGINT);
                break;
            }
            usleep(1000);
        }
    }
    waitpid(child, &status, 0);
    ProcessResult result;
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Out = Slurp(outPath);
    result.Err = Slurp(errPath);
    if (onTerminal) result.Err = terminalText;
    return result;
}

}  // namespace

ProcessResult RunTolvanectl(const std::vector<std::string>& args)
{
    return Run(args, 0);
}

ProcessResult RunOnSimUntilInterrupted(const std::vector<std::string>& args, std::size_t lines)
{
    return Run(OnSim(args), lines);
}

ProcessResult RunOnSimWithTerminal(const std::vector<std::string>& args)
{
    return Run(OnSim(args), 0, true);
}

ProcessResult RunOnSim(const std::vector<std::string>& args)
{
    return Run(OnSim(args), 0);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// "    250 ms  sim1  read  00 00 7d 08 31 92 05 02 00" with "  failed" after a failed transfer.
std::vector<WireReport> WireOf(const std::string& err)
{
    std::vector<WireReport> wire;
    for (const std::string& line : Lines(err)) {
        std::istringstream fields(line);
        WireReport report;
        std::string ms, direction;
        if (!(fields >> report.TimeMs >> ms >> report.Node >> direction) || ms != "ms") continue;
        report.Sent = direction == "send";
        for (std::uint8_t& byte : report.Bytes) {
            unsigned value = 0;
            fields >> std::hex >> value;
            byte = static_cast<std::uint8_t>(value);
        }
        std::string rest;
        report.Ok = !(fields >> rest && rest == "failed");
        wire.push_back(report);
    }
    return wire;
}

// Block and info commands, and the range readout, are followed by one more
// report: the answer read or the data sent.
std::vector<Exchange> ExchangesWith(const std::vector<WireReport>& wire, const std::string& node)
{
    std::vector<Exchange> exchanges;
    bool awaitingSecondReport = false;
    for (const WireReport& report : wire) {
        if (report.Node != node) continue;
        if (awaitingSecondReport) {
            awaitingSecondReport = false;
            exchanges.back().Write = report.Sent;
            if (report.Sent) exchanges.back().Data = report.Bytes;
            continue;
        }
        if (!report.Sent) continue;
        const std::uint8_t command = report.Bytes[1];
        exchanges.push_back({command, report.Bytes[2], false, {}});
        // A command report that failed is followed by no second report.
        awaitingSecondReport = report.Ok && ((command >= 0x80 && command <= 0x85) || command == 0x8A ||
                                             command == 0x8B || command == 0x8F);
    }
    return exchanges;
}

std::vector<Exchange> WritesTo(const std::vector<WireReport>& wire, const std::string& node)
{
    std::vector<Exchange> writes;
    for (const Exchange& e : ExchangesWith(wire, node))
        if (e.Write || e.Command == 0x90) writes.push_back(e);
    return writes;
}
