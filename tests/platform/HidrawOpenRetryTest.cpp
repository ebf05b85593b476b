#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/hidraw/OpenRetry.h"

namespace {

// Answers the open attempts from a script and records the waits between them.
struct ScriptedOpen {
    explicit ScriptedOpen(std::vector<int> results) : Results(std::move(results)) {}

    std::vector<int> Results;
    std::size_t Calls = 0;
    std::vector<std::uint32_t> Sleeps;

    int run()
    {
        return hidraw::openRetryingWhileDenied([this] { return Results.at(Calls++); },
                                               [this](std::uint32_t ms) { Sleeps.push_back(ms); });
    }
};

TEST(OpenRetry, OpensAtOnceWithoutWaiting)
{
    ScriptedOpen open({7});
    EXPECT_EQ(open.run(), 7);
    EXPECT_EQ(open.Calls, 1u);
    EXPECT_TRUE(open.Sleeps.empty());
}

TEST(OpenRetry, RetriesWhileAccessIsDenied)
{
    ScriptedOpen open({-EACCES, -EACCES, 9});
    EXPECT_EQ(open.run(), 9);
    EXPECT_EQ(open.Calls, 3u);
    EXPECT_EQ(open.Sleeps, (std::vector<std::uint32_t>{hidraw::kOpenRetryMs, hidraw::kOpenRetryMs}));
}

TEST(OpenRetry, RetriesWhileTheNodeIsMissing)
{
    ScriptedOpen open({-ENOENT, -EACCES, 4});
    EXPECT_EQ(open.run(), 4);
    EXPECT_EQ(open.Calls, 3u);
    EXPECT_EQ(open.Sleeps, (std::vector<std::uint32_t>{hidraw::kOpenRetryMs, hidraw::kOpenRetryMs}));
}

// The caller tells a refusal from a missing node by the error given back.
TEST(OpenRetry, GivesUpAfterTheLastAttemptWithItsError)
{
    for (const int error : {EACCES, ENOENT}) {
        std::vector<int> results(hidraw::kOpenAttempts - 1, -ENOENT);
        results.push_back(-error);
        ScriptedOpen open(results);
        EXPECT_EQ(open.run(), -error);
        EXPECT_EQ(open.Calls, static_cast<std::size_t>(hidraw::kOpenAttempts));
        EXPECT_EQ(open.Sleeps, std::vector<std::uint32_t>(hidraw::kOpenAttempts - 1, hidraw::kOpenRetryMs));
    }
}

TEST(OpenRetry, OtherFailuresAreFinal)
{
    for (const int error : {ENODEV, EPERM, ENXIO, EBUSY}) {
        ScriptedOpen open({-error, 5});
        EXPECT_EQ(open.run(), -error) << error;
        EXPECT_EQ(open.Calls, 1u) << error;
        EXPECT_TRUE(open.Sleeps.empty()) << error;
    }
}

TEST(OpenRetry, DeniedThenAnotherFailureStops)
{
    ScriptedOpen open({-EACCES, -ENXIO, 5});
    EXPECT_EQ(open.run(), -ENXIO);
    EXPECT_EQ(open.Calls, 2u);
    EXPECT_EQ(open.Sleeps, std::vector<std::uint32_t>{hidraw::kOpenRetryMs});
}

}  // namespace
