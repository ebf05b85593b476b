#include "Tolvanectl.h"

#include <iostream>

#include "CommandLine.h"
#include "Commands.h"
#include "ExitCodes.h"
#include "JsonDocuments.h"
#include "ObservedPlatform.h"
#include "SimSensors.h"
#include "Terminal.h"

namespace cli {

namespace {

int RunCommand(Session& session, const Request& request)
{
    switch (request.Subcommand) {
        case Command::List:
            return RunList(session, request);
        case Command::Show:
            return RunShow(session, request);
        case Command::Save:
            return RunSave(session, request);
        case Command::Load:
            return RunLoad(session, request);
        case Command::Apply:
            return RunApply(session, request);
        case Command::Set:
            return RunSet(session, request);
        case Command::Range:
            return RunRange(session, request);
        case Command::Reset:
            return RunReset(session, request);
        case Command::DefaultsSave:
        case Command::DefaultsRestore:
            return RunDefaults(session, request);
        case Command::Halt:
        case Command::Resume:
            return RunKeySends(session, request);
    }
    return kUsageError;
}

// A run that ends before its command: said, and under --json a document.
int Refused(const Request& request, const std::string& error, int status)
{
    std::cerr << "tolvanectl: " << error << '\n';
    if (request.Json) PrintRunFailure(std::cout, error, status);
    return status;
}

// The virtual sensors' memory for the next run; a run that succeeded fails
// when it cannot be kept.
int KeepState(const Request& request, const SimSensors& sim, int status)
{
    std::string error;
    if (request.Sim.StateFile.empty() || KeepSimState(request.Sim.StateFile, sim, error)) return status;
    std::cerr << "tolvanectl: " << error << '\n';
    return status == kSuccess || status == kChanged ? kDeviceOrFileFailure : status;
}

}  // namespace

int RunTolvanectl(int argc, char** argv, const HostPlatformFactory& hostPlatform)
{
    int status = kSuccess;
    const std::optional<Request> request = ParseCommandLine(argc, argv, status);
    if (!request) return status;

    SimSensors sim;
    std::unique_ptr<platform::Platform> host;
    if (request->Sim.Enabled) {
        std::string error;
        sim = MakeSimSensors(request->Sim, error);
        if (!sim.Platform) return Refused(*request, error, kUsageError);
        const std::string& state = request->Sim.StateFile;
        if (!state.empty() && !RestoreSimState(state, sim, error))
            return Refused(*request, error, kDeviceOrFileFailure);
    } else {
        host = hostPlatform();
    }
    platform::Platform& backend = sim.Platform ? *sim.Platform : *host;

    ObservedPlatform observed(backend, std::cerr, request->Verbose, StderrIsTerminal());
    platform::install(&observed);
    {
        Session session(observed, std::cout, std::cerr, request->WaitSeconds);
        status = RunCommand(session, *request);
    }
    platform::install(nullptr);
    std::cout.flush();
    return KeepState(*request, sim, status);
}

}  // namespace cli
