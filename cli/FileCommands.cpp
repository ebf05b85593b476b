// save and load: the configuration template file, through the same writer and
// reader as the Misc. page's "Save To File" and "Restore From File".

#include "ApplyPass.h"
#include "Commands.h"
#include "ExitCodes.h"
#include "config/TemplateFile.h"

namespace cli {

namespace {

enum class LoadOutcome { Loaded, SensorFailed, FileFailed };

// Reads the sensor, reads the file over its configuration and writes the
// blocks that differ, all of them or, when one is refused, none. The LUID is
// not part of the file and is never written.
LoadOutcome LoadInto(Session& session, int slot, const Request& request)
{
    SensorConfig current;
    if (!session.Read(slot, current)) {
        session.Error() << session.Name(slot) << ": nothing written\n";
        return LoadOutcome::SensorFailed;
    }
    SensorConfig wanted = current;
    std::string failure;
    if (!ReadTemplateValues(request.File, wanted.Blocks, &failure)) {
        session.Error() << failure << '\n';
        return LoadOutcome::FileFailed;
    }
    const ApplyResult result = ApplyConfig(session, slot, current, wanted, {false, request.Verify});
    if (!result.Ok()) {
        for (const std::string& line : FailureLines(result))
            session.Error() << session.Name(slot) << ": " << line << '\n';
        return LoadOutcome::SensorFailed;
    }
    session.Out() << session.Name(slot) << ": " << ApplyText(result) << '\n';
    return LoadOutcome::Loaded;
}

}  // namespace

int RunSave(Session& session, const Request& request)
{
    int status = kSuccess;
    const std::optional<int> slot = ChosenSensor(session, request, status);
    if (!slot) return status;
    SensorConfig config;
    if (!session.Read(*slot, config)) return kDeviceOrFileFailure;
    std::string failure;
    if (!WriteDevCfgToFile(request.File, &failure)) {
        session.Error() << failure << '\n';
        return kDeviceOrFileFailure;
    }
    session.Out() << session.Name(*slot) << ": saved to " << request.File << '\n';
    return kSuccess;
}

// With --all every sensor is loaded at once, each reported on its own line in
// sensor order; a failed sensor does not stop the others and makes the exit
// status 1, as does a sensor this user may not open. A file that cannot be
// read stops before any sensor is touched: it would fail on every one.
int RunLoad(Session& session, const Request& request)
{
    if (!request.AllSensors) {
        int status = kSuccess;
        const std::optional<int> slot = ChosenSensor(session, request, status);
        if (!slot) return status;
        return LoadInto(session, *slot, request) == LoadOutcome::Loaded ? kSuccess : kDeviceOrFileFailure;
    }
    if (const int status = session.OpenSensors(); status != kSuccess) return status;
    ConfigSet checked{};
    std::string failure;
    if (!ReadTemplateValues(request.File, checked, &failure)) {
        session.Error() << failure << '\n';
        return kDeviceOrFileFailure;
    }
    const std::vector<int> results = session.RunOnEverySensor("Loading every sensor", [&](int slot) -> int {
        if (!session.HoldSensor(slot)) return kSensorInUse;
        return LoadInto(session, slot, request) == LoadOutcome::Loaded ? kSuccess : kDeviceOrFileFailure;
    });
    int result = CombinedStatus(results);
    // A sensor this user may not open is not loaded: the fleet is not all done.
    if (!session.InaccessiblePaths().empty()) {
        session.SayInaccessible();
        result = kDeviceOrFileFailure;
    }
    return result;
}

}  // namespace cli
