#pragma once

// What tolvanectl needs to know about its standard error stream.

namespace cli {

// Whether standard error is a terminal a person watches.
bool StderrIsTerminal();

}  // namespace cli
