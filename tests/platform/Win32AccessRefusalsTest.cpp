#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
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

// The library notes its opens on its own thread while the program asks for
// the refusals on another: what is noted meanwhile is all there at the end.
TEST(Win32AccessRefusals, OpensNotedWhileAnotherThreadAsksKeepEveryRefusal)
{
    AccessRefusals refusals;
    const auto stillRefused = [](const std::string& path) { return path.starts_with("refused"); };
    std::atomic<bool> noting = true;
    std::thread asking([&] {
        while (noting) refusals.confirmed(stillRefused);
    });
    Paths expected;
    for (int i = 0; i < 2000; ++i) {
        const std::string number = std::to_string(i);
        refusals.noteOpen("refused" + number, true);
        refusals.noteOpen("granted" + number, true);
        refusals.noteOpen("granted" + number, false);
        expected.push_back("refused" + number);
    }
    noting = false;
    asking.join();

    EXPECT_EQ(refusals.confirmed(stillRefused), expected);
}

}  // namespace
