#include "CheckLog.h"

#include <cstdarg>
#include <cstdio>

namespace vmtest {

namespace {
int g_passed = 0;
int g_failed = 0;
}  // namespace

void check(bool ok, const std::string& name, const std::string& detail)
{
    ++(ok ? g_passed : g_failed);
    std::printf("%s %s%s%s\n", ok ? "PASS" : "FAIL", name.c_str(), detail.empty() ? "" : ": ",
                detail.c_str());
    std::fflush(stdout);
}

void note(const std::string& text)
{
    std::printf("  %s\n", text.c_str());
    std::fflush(stdout);
}

int finish()
{
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 && g_passed > 0 ? 0 : 1;
}

std::string format(const char* fmt, ...)
{
    char text[4096];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

}  // namespace vmtest
