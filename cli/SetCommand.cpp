// set NAME=VALUE...: single settings changed with the limits and corrections
// the pages apply, each correction said back, the result written in one
// Apply-like pass and read back. A value that is refused, by the collect step
// or by the library, or a setting the sensor does not have, writes nothing.

#include "ApplyPass.h"
#include "Commands.h"
#include "ExitCodes.h"

namespace cli {

namespace {

// Every assignment that does not parse is named.
std::optional<std::vector<Assignment>> ParseAssignments(Session& session,
                                                        const std::vector<std::string>& texts)
{
    std::vector<Assignment> assignments;
    bool allParsed = true;
    for (const std::string& text : texts) {
        std::string error;
        if (std::optional<Assignment> assignment = ParseAssignment(text, error)) {
            assignments.push_back(std::move(*assignment));
        } else {
            session.Error() << error << '\n';
            allParsed = false;
        }
    }
    if (!allParsed) return std::nullopt;
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
    if (!session.Read(*slot, current)) {
        session.Error() << session.Name(*slot) << ": nothing written\n";
        return kDeviceOrFileFailure;
    }

    SensorConfig wanted = current;
    const CollectResult collected = CollectAssignments(wanted, *assignments);
    for (const std::string& note : collected.Notes) session.Error() << note << '\n';
    if (!collected.Ok) {
        for (const std::string& error : collected.Errors) session.Error() << error << '\n';
        session.Error() << session.Name(*slot) << ": nothing written\n";
        return collected.Unavailable ? kDeviceOrFileFailure : kUsageError;
    }

    const ApplyResult result = ApplyConfig(session, *slot, current, wanted, {true, request.Verify});
    if (!result.Ok()) {
        for (const std::string& line : FailureLines(result))
            session.Error() << session.Name(*slot) << ": " << line << '\n';
        return result.Refused.empty() ? kDeviceOrFileFailure : kUsageError;
    }
    for (const Setting* setting : collected.Set)
        session.Out() << setting->Name << '=' << ArgumentTextOf(*setting, wanted) << '\n';
    return kSuccess;
}

}  // namespace cli
