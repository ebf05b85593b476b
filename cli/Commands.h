#pragma once

// tolvanectl's commands. Each takes the session and the request and returns
// the exit status; results go to standard output, messages to standard error.

#include <optional>

#include "Request.h"
#include "Session.h"

namespace cli {

int RunList(Session& session, const Request& request);
int RunShow(Session& session, const Request& request);
int RunSave(Session& session, const Request& request);
int RunLoad(Session& session, const Request& request);
int RunApply(Session& session, const Request& request);
int RunSet(Session& session, const Request& request);
int RunRange(Session& session, const Request& request);
int RunReset(Session& session, const Request& request);
int RunDefaults(Session& session, const Request& request);
int RunKeySends(Session& session, const Request& request);

// Opens the sensors and finds the chosen one; the exit status in status when
// there is none such.
std::optional<int> ChosenSensor(Session& session, const Request& request, int& status);

}  // namespace cli
