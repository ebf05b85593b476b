#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/win32/AccessRefusals.h"

namespace {

using win32::AccessRefusals;
using Paths = std::vector<std::string>;

auto refusedAmong(std::set<std::string> stillRefused)
{
    return [stillRefused](const std::string& path) { return stillRefused.contains(path); };
}

TEST(Win32AccessRefusals, ListsTheLatestRefusalsInTheOrderRefused)
{
    AccessRefusals refusals;
    const auto all = refusedAmong({"a", "b", "c"});
    EXPECT_EQ(refusals.confirmed(all), Paths{});

    refusals.noteOpen("a", true);
    refusals.noteOpen("b", true);
    refusals.noteOpen("c", false);
    EXPECT_EQ(refusals.confirmed(all), (Paths{"a", "b"}));

    refusals.noteOpen("a", true);
    EXPECT_EQ(refusals.confirmed(all), (Paths{"b", "a"}));

    // An open that works, or fails for another reason, ends the refusal.
    refusals.noteOpen("b", false);
    EXPECT_EQ(refusals.confirmed(all), Paths{"a"});
}

TEST(Win32AccessRefusals, ForgetsWhatTheSystemNoLongerRefuses)
{
    AccessRefusals refusals;
    refusals.noteOpen("gone", true);
    refusals.noteOpen("granted", true);
    refusals.noteOpen("denied", true);

    EXPECT_EQ(refusals.confirmed(refusedAmong({"denied"})), Paths{"denied"});
    // Forgotten for good, not only left out once.
    EXPECT_EQ(refusals.confirmed(refusedAmong({"gone", "granted", "denied"})), Paths{"denied"});
}

}  // namespace
