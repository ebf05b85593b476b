#pragma once

// What one run of tolvanectl was asked to do, as the command line said it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class Command {
    List,
    Show,
    Save,
    Load,
    Apply,
    Set,
    Range,
    Reset,
    DefaultsSave,
    DefaultsRestore,
    Halt,
    Resume
};

// Virtual sensors in place of the attached ones.
struct SimOptions {
    bool Enabled = false;
    int Sensors = 1;
    std::vector<std::string> Firmware;  // "4.05" per sensor; missing ones are 4.05
    bool Instant = false;               // the virtual clock: waits cost no real time
    int FailTransfer = 0;               // the k-th report transfer fails (0: none)
    int FailSensor = 0;                 // FailTransfer counts this sensor's transfers only (0: all)
    bool RefuseExtensionSets = false;
    std::vector<int> DeniedSensors;     // numbers of the sensors this user may not open
    std::uint32_t HeldElsewhereMs = 0;  // another program has every sensor for this long from the start
    std::string StateFile;              // their memory from run to run; empty: factory-fresh each run
};

struct Request {
    Command Subcommand = Command::List;
    std::string Sensor;  // number, "luid:N" or device node; empty: the first
    bool Verbose = false;
    std::uint32_t WaitSeconds = 30;  // for a sensor another program is using

    bool Json = false;                     // show, apply
    std::string File;                      // save, load, apply
    bool AllSensors = false;               // load --all, show --all, apply --all
    bool Verify = true;                    // set, load and apply: read back what was written
    bool Check = false;                    // apply: compare only
    bool Diff = false;                     // apply: name each differing setting
    std::vector<std::string> Assignments;  // set NAME=VALUE...
    bool Follow = false;                   // range
    std::uint32_t IntervalMs = 500;
    bool Csv = false;
    std::optional<std::uint64_t> Count;

    SimOptions Sim;
};

}  // namespace cli
