#pragma once

// tolvanectl's command line: commands, options and their help.

#include <optional>

#include "Request.h"

namespace cli {

// The request, or nullopt with the exit status in status: 0 after --help or
// --version (printed), 2 after a usage error (said).
std::optional<Request> ParseCommandLine(int argc, char** argv, int& status);

}  // namespace cli
