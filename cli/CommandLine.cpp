#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "ExitCodes.h"
#include "JsonDocuments.h"
#include "devlib/DevLib.h"

namespace cli {

namespace {

constexpr const char* kExitStatusText =
    "Exit status: 0 success, 1 device or file failure, 2 usage error, 3 no sensor,\n"
    "4 the sensor stayed in use by another program for longer than --wait,\n"
    "5 apply changed the sensor (or with --check would change it).\n"
    "Run 'tolvanectl COMMAND --help' for a command's options; 'man tolvanectl' for more.";

constexpr const char* kNoVerifyText =
    "Do not read the sensor back after writing (saves a complete read, about 2.75 s)";

void AddSimOptions(CLI::App& app, SimOptions& sim)
{
    const char* group = "Virtual sensors";
    auto* enabled = app.add_flag("--sim", sim.Enabled, "Run on virtual sensors instead of the attached ones")
                        ->group(group);
    app.add_option("--sim-state", sim.StateFile,
                   "Keep the virtual sensors' memory in this file from one run to the next")
        ->type_name("FILE")
        ->needs(enabled)
        ->group(group);
    app.add_option("--sim-sensors", sim.Sensors, "How many virtual sensors are attached (0 to 64, default 1)")
        ->type_name("N")
        ->group(group);
    app.add_option("--sim-firmware", sim.Firmware, "Firmware of each virtual sensor, e.g. 4.05,1.42")
        ->type_name("VERSION,...")
        ->delimiter(',')
        ->group(group);
    app.add_flag("--sim-instant", sim.Instant,
                 "Virtual clock for tests: the sensors' waits cost no real time")
        ->group(group);
    app.add_option("--sim-fail-transfer", sim.FailTransfer, "Test fault: the K-th report transfer fails")
        ->type_name("K")
        ->group(group);
    app.add_option("--sim-fail-sensor", sim.FailSensor,
                   "Test fault: --sim-fail-transfer counts the transfers of virtual sensor N only")
        ->type_name("N")
        ->needs("--sim-fail-transfer")
        ->group(group);
    app.add_option("--sim-deny-access", sim.DeniedSensors,
                   "Test fault: this user may not open these virtual sensors, e.g. 2 or 1,2")
        ->type_name("N,...")
        ->delimiter(',')
        ->group(group);
    app.add_flag("--sim-refuse-extension-sets", sim.RefuseExtensionSets,
                 "Test fault: the sensors refuse the extension sets, as old firmware does")
        ->group(group);
    app.add_option("--sim-held", sim.HeldElsewhereMs,
                   "Test case: another program uses every virtual sensor for this long from the start")
        ->type_name("MS")
        ->group(group);
}

// A usage error the program words itself, short and naming what is at fault;
// kept in refusal for the JSON document.
std::nullopt_t Refuse(int& status, std::string& refusal, const std::string& message)
{
    std::cerr << "tolvanectl: " << message << "\nRun with --help for more information.\n";
    status = kUsageError;
    refusal = message;
    return std::nullopt;
}

bool JsonAsked(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--json") return true;
    return false;
}

// The word where a command was expected, or a word no command takes.
std::optional<std::string> UnexpectedWord(const CLI::App& app, const CLI::App& defaults)
{
    for (const CLI::App* level : {&app, &defaults}) {
        const std::vector<std::string> extras = level->remaining();
        if (!extras.empty()) return extras.front();
    }
    return std::nullopt;
}

constexpr std::uint64_t kMaxWaitSeconds = 3600;

// Numbers whose limits the command line states in words.
std::optional<std::string> OutOfRange(const Request& request, bool failGiven, bool countGiven,
                                      std::uint64_t count, std::uint64_t waitSeconds)
{
    if (waitSeconds > kMaxWaitSeconds) return "--wait must be 0 to " + std::to_string(kMaxWaitSeconds);
    if (request.Sim.Sensors < 0 || request.Sim.Sensors > kMaxDevices)
        return "--sim-sensors must be 0 to " + std::to_string(kMaxDevices);
    if (request.Sim.FailTransfer < 0 || (request.Sim.FailTransfer == 0 && failGiven))
        return std::string("--sim-fail-transfer must be at least 1");
    if (request.Sim.FailSensor < 0 || request.Sim.FailSensor > request.Sim.Sensors)
        return "--sim-fail-sensor: no sensor " + std::to_string(request.Sim.FailSensor) + " (1 to " +
               std::to_string(request.Sim.Sensors) + ")";
    for (int denied : request.Sim.DeniedSensors)
        if (denied < 1 || denied > kMaxDevices)
            return "--sim-deny-access: no sensor " + std::to_string(denied) + " (1 to " +
                   std::to_string(kMaxDevices) + ")";
    if (countGiven && count == 0) return std::string("--count must be at least 1");
    return std::nullopt;
}

// The request, or nullopt with the exit status in status and a usage error's
// message in refusal.
std::optional<Request> ParseWords(int argc, char** argv, int& status, std::string& refusal)
{
    Request request;
    CLI::App app{"Shows and sets the configuration of ultrasonic presence sensors.", "tolvanectl"};
    app.footer(kExitStatusText);
    app.set_version_flag("--version", "tolvanectl " TOLVANE_VERSION);
    // Words no command takes are kept and named below rather than refused
    // with CLI11's generic "A subcommand is required".
    app.require_subcommand(0, 1);
    app.allow_extras();
    app.fallthrough();
    auto* sensor =
        app.add_option("-s,--sensor", request.Sensor,
                       "The sensor: its number in 'list', luid:N, or its device node (default: the first)")
            ->type_name("SENSOR");
    app.add_flag("-v,--verbose", request.Verbose, "Print every report exchanged to standard error");
    std::uint64_t waitSeconds = request.WaitSeconds;
    app.add_option("--wait", waitSeconds,
                   "Seconds to wait for a sensor another program is using (default 30)")
        ->type_name("SECONDS");
    AddSimOptions(app, request.Sim);

    constexpr const char* kJsonText = "As one JSON document (a stable layout, see the manual)";
    auto* list = app.add_subcommand("list", "List the attached sensors");
    list->add_flag("--json", request.Json, kJsonText);
    auto* show = app.add_subcommand("show", "Show the configuration of a sensor");
    show->add_flag("--json", request.Json, kJsonText);
    show->add_flag("--all", request.AllSensors, "Every attached sensor, all at once (JSON: an array)");
    auto* save = app.add_subcommand("save", "Save the configuration to a template file");
    save->add_option("FILE", request.File, "The template file")->required();
    auto* load = app.add_subcommand("load", "Write a template file's configuration to the sensor");
    load->add_option("FILE", request.File, "The template file")->required();
    load->add_flag("--all", request.AllSensors, "To every attached sensor");
    bool noVerify = false;
    load->add_flag("--no-verify", noVerify, kNoVerifyText);
    auto* apply = app.add_subcommand(
        "apply", "Make the sensor hold a template file's or JSON document's configuration");
    apply->add_option("FILE", request.File, "A template file, or settings as 'show --json' prints them")
        ->required();
    apply->add_flag("--all", request.AllSensors, "Every attached sensor");
    apply->add_flag("--check", request.Check, "Compare only: write nothing");
    apply->add_flag("--diff", request.Diff, "Print each differing setting as 'name: current -> wanted'");
    apply->add_flag("--json", request.Json, "One result document per sensor (see the manual)");
    apply->add_flag("--no-verify", noVerify, kNoVerifyText);
    auto* set = app.add_subcommand("set", "Change single settings (names as 'show' prints them)");
    set->add_option("NAME=VALUE", request.Assignments, "Settings to change")->required();
    set->add_flag("--no-verify", noVerify, kNoVerifyText);
    auto* range = app.add_subcommand("range", "Read the distance the sensor measures");
    range->add_flag("-f,--follow", request.Follow, "Read repeatedly until interrupted");
    auto* interval =
        range->add_option("-i,--interval", request.IntervalMs, "Milliseconds between readings (default 500)")
            ->type_name("MS");
    auto* csv = range->add_flag("--csv", request.Csv, "As CSV");
    std::uint64_t count = 0;
    auto* countOption = range->add_option("-n,--count", count, "Stop after this many readings");
    for (auto* option : {interval, csv, countOption}) option->needs(range->get_option("--follow"));
    auto* reset = app.add_subcommand("reset", "Return all parameters to factory defaults");
    auto* defaults = app.add_subcommand("defaults", "Save or restore the sensor's user defaults");
    defaults->require_subcommand(0, 1);
    defaults->allow_extras();
    auto* defaultsSave =
        defaults->add_subcommand("save", "The sensor stores its configuration as user defaults");
    auto* defaultsRestore = defaults->add_subcommand("restore", "The sensor returns to its user defaults");
    auto* halt = app.add_subcommand("halt", "Halt the sensor's key sends");
    auto* resume = app.add_subcommand("resume", "Resume the sensor's key sends");
    for (auto* command : {reset, defaultsSave, defaultsRestore, halt, resume})
        command->add_flag("--json", request.Json, kJsonText);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        status = app.exit(e) == 0 ? kSuccess : kUsageError;
        if (status == kUsageError) refusal = e.what();
        return std::nullopt;
    }

    const std::pair<CLI::App*, Command> commands[] = {
        {list, Command::List},
        {show, Command::Show},
        {save, Command::Save},
        {load, Command::Load},
        {apply, Command::Apply},
        {set, Command::Set},
        {range, Command::Range},
        {reset, Command::Reset},
        {halt, Command::Halt},
        {resume, Command::Resume},
        {defaultsSave, Command::DefaultsSave},
        {defaultsRestore, Command::DefaultsRestore},
    };
    bool commandGiven = false;
    for (const auto& [subcommand, command] : commands) {
        if (subcommand->parsed()) {
            request.Subcommand = command;
            commandGiven = true;
        }
    }
    if (const std::optional<std::string> word = UnexpectedWord(app, *defaults)) {
        if (!commandGiven && defaults->parsed())
            return Refuse(status, refusal, "defaults: unknown command: " + *word);
        if (!commandGiven) return Refuse(status, refusal, "unknown command: " + *word);
        return Refuse(status, refusal, "unexpected argument: " + *word);
    }
    if (defaults->parsed() && !commandGiven)
        return Refuse(status, refusal, "defaults: expected save or restore");
    if (!commandGiven) return Refuse(status, refusal, "a command is required");
    if (sensor->count() > 0 && request.Sensor.empty())
        return Refuse(status, refusal,
                      "--sensor is empty: give a number from 'list', luid:N or a device node");
    if (const std::optional<std::string> error =
            OutOfRange(request, app.get_option("--sim-fail-transfer")->count() > 0, countOption->count() > 0,
                       count, waitSeconds))
        return Refuse(status, refusal, *error);
    if (count > 0) request.Count = count;
    request.WaitSeconds = static_cast<std::uint32_t>(waitSeconds);
    request.Verify = !noVerify;
    if (request.AllSensors && !request.Sensor.empty())
        return Refuse(status, refusal, "--all and --sensor exclude each other");
    return request;
}

}  // namespace

std::optional<Request> ParseCommandLine(int argc, char** argv, int& status)
{
    std::string refusal;
    std::optional<Request> request = ParseWords(argc, argv, status, refusal);
    if (!refusal.empty() && JsonAsked(argc, argv)) PrintRunFailure(std::cout, refusal, status);
    return request;
}

}  // namespace cli
