#pragma once

// The JSON documents tolvanectl prints with --json. Each carries "layout", the
// number of its layout, which changes only when a field changes meaning or
// goes away; the manual page documents each layout.

#include <nlohmann/json.hpp>
#include <optional>

#include "Session.h"
#include "Settings.h"

namespace cli {

using Json = nlohmann::ordered_json;

inline constexpr int kJsonLayout = 1;

// A number, true or false, "seconds"/"minutes", key sets as an array of
// strings as set takes them, null for a setting the sensor does not have.
Json JsonOf(const SettingValue& value);

// The sensor as far as it is known: number, count, node and USB ids always,
// firmware, LUID and extension sets once its configuration is read (else null).
Json SensorJson(Session& session, int slot, const SensorConfig* config);

// {"message": ..., "exit_code": ..., "sensor": number or null}
Json ErrorJson(const std::string& message, int exitCode, std::optional<int> slot);

// The document with its "error": null when status is success (or apply's
// change), else what the session said, the status and the sensor.
Json CompletedDocument(Session& session, Json document, int status, std::optional<int> slot);

// Prints the document on one line of standard output (indented over several
// with indented, as show always printed it), completed; returns status.
int FinishDocument(Session& session, Json document, int status, std::optional<int> slot,
                   bool indented = false);

// A failure before any command ran (a usage error, a state file of --sim that
// does not read), on standard output:
// {"layout": 1, "error": {...}}.
void PrintRunFailure(std::ostream& out, const std::string& message, int exitCode);

}  // namespace cli
