// How long tolvanectl show takes on one virtual sensor with the real clock,
// against the protocol's own waits for one complete read; and that list
// reads no configuration block. Prints a table; it does not fail on time.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "TolvanectlProcess.h"

namespace {

constexpr double kFullReadWaitsMs = 11 * 250;
constexpr double kAllowedFactor = 1.01;
constexpr int kRuns = 7;

double MillisecondsOf(const std::vector<std::string>& args, ProcessResult& result)
{
    const auto start = std::chrono::steady_clock::now();
    result = RunTolvanectl(args);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

const char* Verdict(double ms, double target)
{
    return ms <= target ? "met" : "missed";
}

}  // namespace

int main()
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        ProcessResult result;
        times.push_back(MillisecondsOf({"--sim", "show"}, result));
        if (result.Status != 0) {
            std::fprintf(stderr, "tolvanectl show failed: %s", result.Err.c_str());
            return 1;
        }
    }
    std::ranges::sort(times);
    const double median = times[times.size() / 2];
    const double slowest = times.back();

    ProcessResult list;
    MillisecondsOf({"--sim", "--sim-sensors", "2", "-v", "list"}, list);
    int blockExchanges = 0;
    for (const char* node : {"sim1", "sim2"})
        for (const Exchange& e : ExchangesWith(WireOf(list.Err), node)) blockExchanges += e.Command != 0x8A;

    const double target = kAllowedFactor * kFullReadWaitsMs;
    std::printf("| measure | figure | target |\n|---|---|---|\n");
    std::printf(
        "| tolvanectl show, one sensor, real-clock sim, process start to end, median of %d | %.1f ms | "
        "<= %.1f ms (%s) |\n",
        kRuns, median, target, Verdict(median, target));
    std::printf("| tolvanectl show, slowest of %d | %.1f ms | <= %.1f ms (%s) |\n", kRuns, slowest, target,
                Verdict(slowest, target));
    std::printf("| tolvanectl list, two sensors: configuration-block exchanges | %d | 0 |\n", blockExchanges);
    return 0;
}
