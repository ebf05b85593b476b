#pragma once

// The check program's output: one PASS or FAIL line per check, indented
// notes, and the closing "N passed, N failed" line that the guest script and
// run.sh count.

#include <string>

namespace vmtest {

void check(bool ok, const std::string& name, const std::string& detail = {});
void note(const std::string& text);
// Prints the count line; the exit code, 0 when nothing failed.
int finish();

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vmtest
