// How the wall time of tolvanectl's commands over every sensor grows with the
// number of sensors, on real-clock virtual sensors: list, show --all,
// load --all and apply --check --all for 1, 2, 4, 16 and 64 sensors, each as a ratio to its time with
// one sensor. Sensors talked to at once cost what one costs, so every ratio
// should stay near 1. Prints a table; it is not a test.
//
// sensor_count_bench [TOLVANECTL]   (default: the tolvanectl built beside it)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kCounts[] = {1, 2, 4, 16, 64};
constexpr double kTargetUpTo16 = 1.05;
constexpr double kTargetAt64 = 1.15;

struct Row {
    const char* Name;
    std::string Arguments;  // after the sensor count
    int ExitStatus = 0;     // of a run that did what it should
};

std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

// Wall milliseconds of one run, or a negative number when it did not end
// with the exit status expected.
double runMs(const std::string& command, int expected)
{
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != expected) return -1;
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

// A template whose ping rate differs from a fresh sensor's, so every load writes.
bool writeTemplate(const std::string& tolvanectl, const std::string& path)
{
    if (std::system(
            (quoted(tolvanectl) + " --sim --sim-instant save " + quoted(path) + " >/dev/null").c_str()) != 0)
        return false;
    std::ifstream in(path);
    std::stringstream text;
    for (std::string line; std::getline(in, line);)
        text << (line.rfind("PingRateS", 0) == 0 ? "PingRateS = 600     / changed" : line) << '\n';
    in.close();
    std::ofstream(path) << text.str();
    return true;
}

double targetFor(int count)
{
    return count <= 16 ? kTargetUpTo16 : kTargetAt64;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string tolvanectl = argc > 1 ? argv[1] : TOLVANECTL_PATH;
    const std::string file = "/tmp/sensor-count-bench-" + std::to_string(::getpid()) + ".txt";
    if (!writeTemplate(tolvanectl, file)) {
        std::fprintf(stderr, "sensor_count_bench: %s cannot save a template\n", tolvanectl.c_str());
        return 1;
    }
    const Row rows[] = {
        {"list", "list"},
        {"show --all", "show --all --json"},
        {"load --all", "load --all " + quoted(file)},
        // Every sensor differs from the template: exit status 5, "would change".
        {"apply --check --all", "apply --check --all " + quoted(file), 5},
    };

    std::printf("%-20s", "sensors");
    for (int count : kCounts) std::printf("%16d", count);
    std::printf("\n");
    for (const Row& row : rows) {
        std::printf("%-20s", row.Name);
        double oneMs = 0;
        for (int count : kCounts) {
            const double ms = runMs(
                quoted(tolvanectl) + " --sim --sim-sensors " + std::to_string(count) + " " + row.Arguments,
                row.ExitStatus);
            if (count == 1) oneMs = ms;
            if (ms < 0) {
                std::printf("%16s", "failed");
            } else {
                const double ratio = oneMs > 0 ? ms / oneMs : 0;
                char cell[32];
                std::snprintf(cell, sizeof cell, "%.0f ms %.2f%s", ms, ratio,
                              ratio > targetFor(count) ? "!" : "");
                std::printf("%16s", cell);
            }
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    std::printf(
        "(wall time and its ratio to one sensor; ! marks a ratio above %.2f up to 16 sensors, %.2f at 64)\n",
        kTargetUpTo16, kTargetAt64);
    std::remove(file.c_str());
    return 0;
}
