// Fetching blocks out of the library and storing validated blocks into it.

#include <functional>
#include <ostream>

#include "DevLibTest.h"

namespace devlib_test {
namespace {

using BlockAccessTest = DevLibTest;

struct WordChange {
    std::size_t Word;
    std::uint16_t Value;
};

struct StoreCase {
    const char* Name;
    std::function<int(const std::vector<WordChange>&)> Store;
    std::vector<WordChange> Changes;
    std::uint32_t Status;  // 0: accepted
};

void PrintTo(const StoreCase& c, std::ostream* os)
{
    *os << c.Name;
}

// Fetches the block, applies the changes and stores it.
template <class Block>
std::function<int(const std::vector<WordChange>&)> storeWith(int (*get)(Block*), int (*set)(const Block*))
{
    return [=](const std::vector<WordChange>& changes) {
        Block block{};
        if (!get(&block)) return -1;
        for (const WordChange& change : changes) block[change.Word] = change.Value;
        return set(&block);
    };
}

const auto kSonar = storeWith(GetSonarParms, SetSonarParms);
const auto kWalkAway = storeWith(GetWalkAwayParms, SetWalkAwayParms);
const auto kWalkUp = storeWith(GetWalkUpParms, SetWalkUpParms);
const auto kWalkAwayEx = storeWith(GetWalkAwayParmsEx, SetWalkAwayParmsEx);
const auto kWalkUpEx = storeWith(GetWalkUpParmsEx, SetWalkUpParmsEx);
const auto kIdle = storeWith(GetIdleParms, SetIdleParms);

bool sameBlocksAndMarks(const tsDevSlot& a, const tsDevSlot& b)
{
    return a.Sonar == b.Sonar && a.WalkAway == b.WalkAway && a.WalkUp == b.WalkUp &&
           a.WalkAwayEx == b.WalkAwayEx && a.WalkUpEx == b.WalkUpEx && a.Idle == b.Idle &&
           a.DirtySonar == b.DirtySonar && a.DirtyWalkAway == b.DirtyWalkAway &&
           a.DirtyWalkUp == b.DirtyWalkUp && a.DirtyWalkAwayEx == b.DirtyWalkAwayEx &&
           a.DirtyWalkUpEx == b.DirtyWalkUpEx && a.DirtyIdle == b.DirtyIdle;
}

class StoreValidation : public DevLibTest, public ::testing::WithParamInterface<StoreCase> {};

TEST_P(StoreValidation, RefusesWithTheFirstFailingTestsCodeAndStoresNothing)
{
    const StoreCase& c = GetParam();
    openSensor();
    const tsDevSlot before = slot();

    const int result = c.Store(c.Changes);

    EXPECT_EQ(GetDevStatus(), c.Status);
    EXPECT_EQ(result, c.Status == 0 ? 1 : 0);
    EXPECT_EQ(sameBlocksAndMarks(before, slot()), c.Status != 0);
    EXPECT_TRUE(sim.transcript().empty()) << "a store never touches the sensor";
}

constexpr std::uint32_t kRefused = kStatusStore;

INSTANTIATE_TEST_SUITE_P(
    EveryTest, StoreValidation,
    ::testing::Values(
        StoreCase{"PingRate199", kSonar, {{PingRateS, 199}}, kRefused | kStatusBadPingRate},
        StoreCase{"PingRate200", kSonar, {{PingRateS, 200}}, 0},
        StoreCase{"PingRate1020", kSonar, {{PingRateS, 1020}}, 0},
        StoreCase{"PingRate1021", kSonar, {{PingRateS, 1021}}, kRefused | kStatusBadPingRate},
        StoreCase{"PingRate65535", kSonar, {{PingRateS, 0xFFFF}}, kRefused | kStatusBadPingRate},
        StoreCase{"MinDist0", kSonar, {{MinDistS, 0}}, kRefused | kStatusBadMinDist},
        StoreCase{"MinDist59", kSonar, {{MinDistS, 59}}, 0},
        StoreCase{"MinDist60", kSonar, {{MinDistS, 60}}, kRefused | kStatusBadMinDist},
        StoreCase{"MaxDist14", kSonar, {{MaxDistS, 14}}, kRefused | kStatusBadMaxDist},
        StoreCase{"MaxDist73", kSonar, {{MaxDistS, 73}}, kRefused | kStatusBadMaxDist},
        StoreCase{"MinDistAboveMaxDist", kSonar, {{MinDistS, 59}, {MaxDistS, 15}}, 0},
        StoreCase{"PingRateTestedBeforeMinDist",
                  kSonar,
                  {{PingRateS, 0}, {MinDistS, 0}},
                  kRefused | kStatusBadPingRate},
        StoreCase{"MinDistTestedBeforeMaxDist",
                  kSonar,
                  {{MinDistS, 0}, {MaxDistS, 0}},
                  kRefused | kStatusBadMinDist},
        StoreCase{"KeyCountWA6", kWalkAway, {{KeyCountWA, 6}}, 0},
        StoreCase{"KeyCountWA7", kWalkAway, {{KeyCountWA, 7}}, kRefused | kStatusBadWalkAwayKeyCount},
        StoreCase{
            "KeyCountWANegative", kWalkAway, {{KeyCountWA, 0xFFFF}}, kRefused | kStatusBadWalkAwayKeyCount},
        StoreCase{"InterKeyDelayWA16384",
                  kWalkAway,
                  {{KeyCountWA, 3}, {InterKeyDelayWA, 16384}},
                  kRefused | kStatusBadWalkAwayDelay},
        StoreCase{
            "InterKeyDelayWA63", kWalkAway, {{InterKeyDelayWA, 63}}, kRefused | kStatusBadWalkAwayDelay},
        StoreCase{"InterKeyDelayWA64", kWalkAway, {{InterKeyDelayWA, 64}}, 0},
        StoreCase{"InterKeyDelayWA16320", kWalkAway, {{InterKeyDelayWA, 16320}}, 0},
        StoreCase{"KeyCountWATestedBeforeDelay",
                  kWalkAway,
                  {{KeyCountWA, 7}, {InterKeyDelayWA, 0}},
                  kRefused | kStatusBadWalkAwayKeyCount},
        StoreCase{"KeyCountWU7", kWalkUp, {{KeyCountWU, 7}}, kRefused | kStatusBadWalkUpKeyCount},
        StoreCase{"KeyCountWUNegative", kWalkUp, {{KeyCountWU, 0x8000}}, kRefused | kStatusBadWalkUpKeyCount},
        StoreCase{
            "InterKeyDelayWU16321", kWalkUp, {{InterKeyDelayWU, 16321}}, kRefused | kStatusBadWalkUpDelay},
        StoreCase{"ReservedWUIsNotTested", kWalkUp, {{Reserved2WU, 0xFFFF}}, 0},
        StoreCase{"KeyCountWAEx7", kWalkAwayEx, {{KeyCountWAEx, 7}}, 0},
        StoreCase{"KeyCountWAEx8", kWalkAwayEx, {{KeyCountWAEx, 8}}, kRefused | kStatusBadWalkAwayKeyCount},
        StoreCase{"KeyCountWAExNegative",
                  kWalkAwayEx,
                  {{KeyCountWAEx, 0xFFF0}},
                  kRefused | kStatusBadWalkAwayKeyCount},
        StoreCase{"KeyCountWUEx7", kWalkUpEx, {{KeyCountWUEx, 7}}, 0},
        StoreCase{"KeyCountWUEx8", kWalkUpEx, {{KeyCountWUEx, 8}}, kRefused | kStatusBadWalkUpKeyCount},
        StoreCase{
            "IdleIsNotTested", kIdle, {{Reserved1I, 0xFFFF}, {FlagsI, 0xFFFF}, {SNBlankTmI, 0xFFFF}}, 0}),
    [](const auto& instance) { return std::string(instance.param.Name); });

TEST_F(BlockAccessTest, StoreCopiesTheWholeBlockAndMarksOnlyIt)
{
    openSensor();
    tsWalkUpParms walkUp{};
    for (std::size_t i = 0; i < walkUp.kWords; ++i) walkUp[i] = static_cast<std::uint16_t>(0x100 + i);
    walkUp[KeyCountWU] = 4;
    walkUp[InterKeyDelayWU] = 640;

    ASSERT_EQ(SetWalkUpParms(&walkUp), 1);

    EXPECT_EQ(slot().WalkUp, walkUp);
    EXPECT_EQ(slot().DirtyWalkUp, 1u);
    EXPECT_EQ(slot().DirtySonar + slot().DirtyWalkAway + slot().DirtyWalkAwayEx + slot().DirtyWalkUpEx +
                  slot().DirtyIdle,
              0u);
    tsWalkUpParms fetched{};
    ASSERT_EQ(GetWalkUpParms(&fetched), 1);
    EXPECT_EQ(fetched, walkUp);
}

TEST_F(BlockAccessTest, FetchBeforeAnyReadIsRefused)
{
    const sim::DeviceId id = sim.plugSensor();
    ASSERT_EQ(OnDevArrival(sim.pathOf(id).c_str()), 1);
    Blocks blocks;

    const std::vector<std::function<int()>> fetches = {[&] { return GetSonarParms(&blocks.Sonar); },
                                                       [&] { return GetWalkAwayParms(&blocks.WalkAway); },
                                                       [&] { return GetWalkUpParms(&blocks.WalkUp); },
                                                       [&] { return GetWalkAwayParmsEx(&blocks.WalkAwayEx); },
                                                       [&] { return GetWalkUpParmsEx(&blocks.WalkUpEx); },
                                                       [&] { return GetIdleParms(&blocks.Idle); }};
    for (std::size_t i = 0; i < fetches.size(); ++i) {
        EXPECT_EQ(fetches[i](), 0) << i;
        EXPECT_EQ(GetDevStatus(), kStatusFetchNotValid) << i;
    }
    EXPECT_EQ(blocks, Blocks{}) << "nothing copied out";
}

TEST_F(BlockAccessTest, MissingDestinationOrSourceIsRefused)
{
    openSensor();
    const std::vector<std::function<int()>> fetches = {
        [] { return GetSonarParms(nullptr); },    [] { return GetWalkAwayParms(nullptr); },
        [] { return GetWalkUpParms(nullptr); },   [] { return GetWalkAwayParmsEx(nullptr); },
        [] { return GetWalkUpParmsEx(nullptr); }, [] { return GetIdleParms(nullptr); }};
    for (std::size_t i = 0; i < fetches.size(); ++i) {
        EXPECT_EQ(fetches[i](), 0) << i;
        EXPECT_EQ(GetDevStatus(), kStatusFetchNoDestination) << i;
    }
    const std::vector<std::function<int()>> stores = {
        [] { return SetSonarParms(nullptr); },    [] { return SetWalkAwayParms(nullptr); },
        [] { return SetWalkUpParms(nullptr); },   [] { return SetWalkAwayParmsEx(nullptr); },
        [] { return SetWalkUpParmsEx(nullptr); }, [] { return SetIdleParms(nullptr); }};
    for (std::size_t i = 0; i < stores.size(); ++i) {
        EXPECT_EQ(stores[i](), 0) << i;
        EXPECT_EQ(GetDevStatus(), kStatusStoreNoSource) << i;
    }
}

TEST_F(BlockAccessTest, SuccessfulFetchClearsTheStatusWord)
{
    openSensor();
    slot().Status = 0x00FF0000;
    tsIdleParms idle{};
    EXPECT_EQ(GetIdleParms(&idle), 1);
    EXPECT_EQ(GetDevStatus(), 0u);
    EXPECT_EQ(idle, slot().Idle);
}

TEST_F(BlockAccessTest, ClampForcesTheSonarRangesAndNeverRefuses)
{
    struct Case {
        std::uint16_t In[3];  // ping rate, min distance, max distance
        std::uint16_t Out[3];
    };
    for (const Case& c : {Case{{199, 0, 14}, {200, 1, 15}}, Case{{1021, 60, 73}, {1020, 59, 72}},
                          Case{{0xFFFF, 0x8000, 0xFFFF}, {200, 1, 15}}, Case{{500, 14, 42}, {500, 14, 42}}}) {
        tsSonarParms sonar{{7, c.In[0], 8, c.In[1], c.In[2], 5, 2, 1}};
        ClampSonarParms(&sonar);
        EXPECT_EQ(sonar, (tsSonarParms{{7, c.Out[0], 8, c.Out[1], c.Out[2], 5, 2, 1}})) << c.In[0];
    }
}

}  // namespace
}  // namespace devlib_test
