// apply FILE: makes the sensor (or every sensor) hold the configuration the
// file gives, writing only the blocks that differ, and says by its exit status
// whether anything changed, so that a configuration-management run needs no
// text parsing. --check compares only; --diff names each differing setting;
// --json prints one result document per sensor.

#include "ApplyPass.h"
#include "Commands.h"
#include "DesiredConfig.h"
#include "ExitCodes.h"
#include "JsonDocuments.h"

namespace cli {

namespace {

// One sensor's apply, as the result documents and lines report it.
struct SensorApply {
    int Status = kSuccess;
    bool ConfigRead = false;
    SensorConfig Current;
    ApplyResult Result;
};

int StatusOf(const ApplyResult& result)
{
    if (!result.Ok()) return kDeviceOrFileFailure;
    return result.Changed.empty() ? kSuccess : kChanged;
}

// Reads the sensor, puts the file over what it holds and writes (or with
// --check only compares) the blocks that differ. The LUID stays the sensor's.
SensorApply ApplyToSensor(Session& session, int slot, const DesiredConfig& desired, const Request& request)
{
    SensorApply run;
    if (!session.Read(slot, run.Current)) {
        session.Error() << session.Name(slot) << ": nothing written\n";
        run.Status = kDeviceOrFileFailure;
        return run;
    }
    run.ConfigRead = true;
    SensorConfig wanted = run.Current;
    std::vector<std::string> notes;
    std::string failure;
    const bool fits = desired.PutOver(wanted, notes, failure);
    for (const std::string& note : notes) session.Error() << note << '\n';
    if (!fits) {
        session.Error() << failure << '\n';
        session.Error() << session.Name(slot) << ": nothing written\n";
        run.Status = kDeviceOrFileFailure;
        return run;
    }
    wanted.Luid = run.Current.Luid;
    const ApplyOptions options{false, request.Verify, !request.Check, true};
    run.Result = ApplyConfig(session, slot, run.Current, wanted, options);
    if (!run.Result.Ok())
        for (const std::string& line : FailureLines(run.Result))
            session.Error() << session.Name(slot) << ": " << line << '\n';
    run.Status = StatusOf(run.Result);
    return run;
}

Json DiffJson(const std::vector<SettingChange>& changes)
{
    Json diff = Json::array();
    for (const SettingChange& change : changes)
        diff.push_back(
            {{"setting", change.Name}, {"current", JsonOf(change.From)}, {"wanted", JsonOf(change.To)}});
    return diff;
}

// The result document; run is null for a failure before a sensor's apply.
Json ResultDocument(Session& session, std::optional<int> slot, const SensorApply* run)
{
    const bool read = run && run->ConfigRead;
    Json document;
    document["layout"] = kJsonLayout;
    document["sensor"] = slot ? SensorJson(session, *slot, read ? &run->Current : nullptr) : Json(nullptr);
    document["changed"] = run && !run->Result.Changed.empty();
    document["written"] = run ? Json(run->Result.Written) : Json::array();
    document["diff"] = run ? DiffJson(run->Result.Changes) : Json::array();
    return document;
}

void ReportAsText(Session& session, int slot, const SensorApply& run, bool diff)
{
    const bool applied = run.Status == kSuccess || run.Status == kChanged;
    if (applied) session.Out() << session.Name(slot) << ": " << ApplyText(run.Result) << '\n';
    if (!diff) return;
    for (const SettingChange& change : run.Result.Changes)
        session.Out() << "  " << change.Name << ": " << change.FromText << " -> " << change.ToText << '\n';
}

void Report(Session& session, int slot, const SensorApply& run, const Request& request)
{
    if (request.Json)
        FinishDocument(session, ResultDocument(session, slot, &run), run.Status, slot);
    else
        ReportAsText(session, slot, run, request.Diff);
}

// A failure before any sensor is applied to (the file, no sensor, --wait).
int ReportFailure(Session& session, const Request& request, int status,
                  std::optional<int> slot = std::nullopt)
{
    if (request.Json) return FinishDocument(session, ResultDocument(session, slot, nullptr), status, slot);
    return status;
}

// Every sensor at once, each reported on its own in sensor order.
int ApplyToAll(Session& session, const DesiredConfig& desired, const Request& request)
{
    if (const int status = session.OpenSensors(); status != kSuccess)
        return ReportFailure(session, request, status);
    std::vector<int> results = session.RunOnEverySensor("Applying to every sensor", [&](int slot) -> int {
        if (!session.HoldSensor(slot)) return ReportFailure(session, request, kSensorInUse, slot);
        const SensorApply run = ApplyToSensor(session, slot, desired, request);
        Report(session, slot, run, request);
        return run.Status;
    });
    // A sensor this user may not open does not hold the configuration.
    if (!session.InaccessiblePaths().empty()) {
        session.SayInaccessible();
        results.push_back(ReportFailure(session, request, kDeviceOrFileFailure));
    }
    return CombinedStatus(results);
}

}  // namespace

// With --all every sensor is applied to, each reported on its own; one that
// fails does not stop the others. The exit status: 0 when every sensor held
// the configuration and nothing was written, kChanged when any was (or under
// --check would be) written, 1 when any failed.
int RunApply(Session& session, const Request& request)
{
    std::string failure;
    const std::optional<DesiredConfig> desired = DesiredConfig::Read(request.File, failure);
    if (!desired) {
        session.Error() << failure << '\n';
        return ReportFailure(session, request, kDeviceOrFileFailure);
    }
    if (request.AllSensors) return ApplyToAll(session, *desired, request);
    int status = kSuccess;
    const std::optional<int> slot = ChosenSensor(session, request, status);
    if (!slot) return ReportFailure(session, request, status);
    const SensorApply run = ApplyToSensor(session, *slot, *desired, request);
    Report(session, *slot, run, request);
    return run.Status;
}

}  // namespace cli
