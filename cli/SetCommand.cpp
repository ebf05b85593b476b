// set NAME=VALUE...: single settings changed with the limits and corrections
// the pages apply, each correction said back, the result written in one
// Apply-like pass. A value that is refused, or a setting the sensor does not
// have, writes nothing.

#include "ApplyPass.h"
#include "Commands.h"
#include "ExitCodes.h"

namespace cli {

namespace {

std::optional<std::vector<Assignment>> ParseAssignments(Session& session,
                                                        const std::vector<std::string>& texts)
{
    std::vector<Assignment> assignments;
    for (const std::string& text : texts) {
        std::string error;
        std::optional<Assignment> assignment = ParseAssignment(text, error);
        if (!assignment) {
            session.Error() << error << '\n';
            return std::nullopt;
        }
        assignments.push_back(std::move(*assignment));
    }
    return assignments;
}

}  // namespace

int RunSet(Session& session, const Request& request)
{
    const std::optional<std::vector<Assignment>> assignments = ParseAssignments(session, request.Assignments);
    if (!assignments) return kUsageError;

    int status = kSuccess;
    const std::optional<int> slot = ChosenSensor(session, request, status);
    if (!slot) return status;
    SensorConfig current;
    if (!session.Read(*slot, current)) return kDeviceOrFileFailure;

    SensorConfig wanted = current;
    const CollectResult collected = CollectAssignments(wanted, *assignments);
    for (const std::string& note : collected.Notes) session.Error() << note << '\n';
    if (!collected.Ok) {
        session.Error() << collected.Error << "; nothing written\n";
        return collected.Unavailable ? kDeviceOrFileFailure : kUsageError;
    }

    const ApplyResult result = WriteChangedBlocks(session, *slot, current, wanted, true);
    if (!result.Ok) {
        session.Error() << session.Name(*slot) << ": " << ApplyText(result) << '\n';
        return kDeviceOrFileFailure;
    }
    for (const Setting* setting : collected.Set)
        session.Out() << setting->Name << '=' << ArgumentTextOf(*setting, wanted) << '\n';
    return kSuccess;
}

}  // namespace cli
