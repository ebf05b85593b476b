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

}  // namespace

int RunTolvanectl(int argc, char** argv, const HostPlatformFactory& hostPlatform)
{
    int status = kSuccess;
    const std::optional<Request> request = ParseCommandLine(argc, argv, status);
    if (!request) return status;

    std::unique_ptr<platform::Platform> backend;
    if (request->Sim.Enabled) {
        std::string error;
        backend = MakeSimSensors(request->Sim, error);
        if (!backend) {
            std::cerr << "tolvanectl: " << error << '\n';
            if (request->Json) PrintUsageFailure(std::cout, error, kUsageError);
            return kUsageError;
        }
    } else {
        backend = hostPlatform();
    }

    ObservedPlatform observed(*backend, std::cerr, request->Verbose, StderrIsTerminal());
    platform::install(&observed);
    {
        Session session(observed, std::cout, std::cerr, request->WaitSeconds);
        status = RunCommand(session, *request);
    }
    platform::install(nullptr);
    std::cout.flush();
    return status;
}

}  // namespace cli
