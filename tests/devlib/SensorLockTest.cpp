// One operation at a time per sensor across programs: every operation holds
// its sensor, waits on the platform's clock while another program has it, and
// gives up at the limit without sending anything; changes other programs
// made are noticed.

#include <functional>
#include <ostream>

#include "DevLibTest.h"

namespace devlib_test {
namespace {

constexpr std::uint64_t kForever = ~std::uint64_t{0};

struct Operation {
    const char* Name;
    std::function<int()> Run;
};

void PrintTo(const Operation& operation, std::ostream* os)
{
    *os << operation.Name;
}

const Operation kOperations[] = {
    {"read", [] { return ReadDevConfig(); }},
    {"read_info", [] { return ReadDevInfo(); }},
    {"write",
     [] {
         SetDevLuid(7);
         return WriteDevConfig();
     }},
    {"halt", [] { return HaltKeySends(1); }},
    {"reset", [] { return ResetDevToFactory(); }},
    {"restore_defaults", [] { return RestoreDevUserDefaults(); }},
    {"save_defaults", [] { return SaveDevUserDefaults(); }},
    {"range",
     [] {
         tsRangeInfo info{};
         return GetRangeInfo(&info);
     }},
};

class SensorLockTest : public DevLibTest {
protected:
    void TearDown() override
    {
        SetSensorWait({});
        DevLibTest::TearDown();
    }

    // Runs the operation with the sensor free and returns its transcript.
    std::vector<std::string> wireAlone(const Operation& operation)
    {
        sim::SimPlatform alone;
        platform::install(&alone);
        ResetLibState();
        alone.plugSensor();
        EXPECT_EQ(OpenSensors(nullptr), 1);
        alone.clearTranscript();
        EXPECT_EQ(operation.Run(), 1);
        std::vector<std::string> lines;
        for (const sim::Transfer& transfer : alone.transcript())
            lines.push_back(describe(transfer, alone.transcript().front().TimeMs));
        CloseAllDevices();
        platform::install(&sim);
        return lines;
    }

    std::vector<std::string> told_;
    int waitsOver_ = 0;

    void watchWaits(std::uint32_t limitMs)
    {
        tsSensorWait wait;
        wait.LimitMs = limitMs;
        wait.Waiting = [this](const char* path, std::uint32_t waitedMs) {
            told_.push_back(std::string(path) + " " + std::to_string(waitedMs));
        };
        wait.WaitOver = [this] { ++waitsOver_; };
        SetSensorWait(std::move(wait));
    }
};

class EveryOperation : public SensorLockTest, public ::testing::WithParamInterface<Operation> {};

TEST_P(EveryOperation, WaitsForTheOtherProgramThenRunsAsAlone)
{
    const std::vector<std::string> alone = wireAlone(GetParam());
    const sim::DeviceId id = openSensor();
    watchWaits(30000);
    const std::uint64_t start = sim.nowMs();
    sim.holdElsewhere(id, start + 1000);
    bool heldDuringEveryTransfer = true;
    sim.setTransferListener([&](const sim::Transfer&) { heldDuringEveryTransfer &= sim.lockedHere(id); });

    EXPECT_EQ(GetParam().Run(), 1);

    ASSERT_FALSE(sim.transcript().empty());
    EXPECT_EQ(sim.transcript().front().TimeMs, start + 1000)
        << "the first report goes once the sensor is free";
    EXPECT_EQ(wire(), alone);
    EXPECT_TRUE(heldDuringEveryTransfer);
    EXPECT_FALSE(sim.lockedHere(id)) << "released at the end";
    ASSERT_EQ(told_.size(), 20u) << "told at each look, every 50 ms";
    EXPECT_EQ(told_.front(), sim.pathOf(id) + " 0");
    EXPECT_EQ(told_.back(), sim.pathOf(id) + " 950");
    EXPECT_EQ(waitsOver_, 1);
}

TEST_P(EveryOperation, GivesUpAtTheLimitWithoutSendingAnything)
{
    const sim::DeviceId id = openSensor();
    watchWaits(500);
    sim.holdElsewhere(id, kForever);
    const std::uint64_t start = sim.nowMs();

    EXPECT_EQ(GetParam().Run(), 0);

    EXPECT_TRUE(sim.transcript().empty());
    EXPECT_EQ(sim.nowMs() - start, 500u);
    EXPECT_NE(GetDevStatus() & kStatusSensorInUse, 0u);
    EXPECT_EQ(waitsOver_, 1);
    EXPECT_FALSE(sim.lockedHere(id));
}

INSTANTIATE_TEST_SUITE_P(Cases, EveryOperation, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SensorLockTest, AFreeSensorCostsNoWaitAndNoWord)
{
    openSensor();
    watchWaits(30000);
    const std::uint64_t start = sim.nowMs();

    EXPECT_EQ(ReadDevInfo(), 1);

    EXPECT_EQ(sim.transcript().front().TimeMs, start);
    EXPECT_TRUE(told_.empty());
    EXPECT_EQ(waitsOver_, 0);
}

TEST_F(SensorLockTest, AHoldSpansTheCallersStepsAndKeepsOtherProgramsOut)
{
    const sim::DeviceId id = openSensor();
    const platform::Handle otherProgram = sim.open(sim.pathOf(id));
    {
        const DevOperation hold;
        ASSERT_TRUE(hold.held());
        EXPECT_EQ(ReadDevConfig(), 1) << "nested operations do not wait for their own hold";
        sim.sleepMs(1000);
        EXPECT_EQ(sim.tryLock(otherProgram), platform::LockResult::Held) << "held across the settle time";
        EXPECT_EQ(WriteDevConfig(), 1);
        EXPECT_EQ(sim.tryLock(otherProgram), platform::LockResult::Held);
    }
    EXPECT_EQ(sim.tryLock(otherProgram), platform::LockResult::Acquired);

    // Now this process's library waits for the other open.
    watchWaits(200);
    EXPECT_EQ(ReadDevInfo(), 0);
    EXPECT_NE(GetDevStatus() & kStatusSensorInUse, 0u);
    sim.close(otherProgram);
    EXPECT_EQ(ReadDevInfo(), 1) << "a closed holder leaves the sensor free at once";
}

TEST_F(SensorLockTest, AnOuterHoldThatGaveUpFailsTheInnerOperationsAtOnce)
{
    const sim::DeviceId id = openSensor();
    watchWaits(300);
    sim.holdElsewhere(id, kForever);
    const std::uint64_t start = sim.nowMs();
    {
        const DevOperation hold;
        EXPECT_FALSE(hold.held());
        EXPECT_EQ(WriteDevConfig(), 0);
        EXPECT_EQ(ReadDevConfig(), 0);
    }
    EXPECT_EQ(sim.nowMs() - start, 300u) << "one wait, not one per operation";
    EXPECT_TRUE(sim.transcript().empty());
}

TEST_F(SensorLockTest, TryingNeverWaits)
{
    const sim::DeviceId id = openSensor();
    sim.holdElsewhere(id, kForever);
    const std::uint64_t start = sim.nowMs();
    {
        const DevOperation attempt(DevOperation::DoNotWait);
        EXPECT_FALSE(attempt.held());
    }
    EXPECT_EQ(sim.nowMs(), start);
    sim.holdElsewhere(id, 0);
    const DevOperation attempt(DevOperation::DoNotWait);
    EXPECT_TRUE(attempt.held());
    EXPECT_TRUE(sim.lockedHere(id));
}

TEST_F(SensorLockTest, ChangesOfOtherProgramsAreNoticedAndOwnChangesAreNot)
{
    const sim::DeviceId id = openSensor();
    EXPECT_EQ(DevChangedElsewhere(), 0) << "just read";

    SetDevLuid(9);
    ASSERT_EQ(WriteDevConfig(), 1);
    EXPECT_EQ(DevChangedElsewhere(), 0) << "this program's own write";

    sim.changeElsewhere(id);
    EXPECT_EQ(DevChangedElsewhere(), 1);
    ASSERT_EQ(ReadDevConfig(), 1);
    EXPECT_EQ(DevChangedElsewhere(), 0) << "read again since";
}

TEST_F(SensorLockTest, AWriteTellsWatchersOfTheSensor)
{
    const sim::DeviceId id = openSensor(0x0412);  // a factory reset it needs no repair after
    std::vector<std::string> heard;
    sim.setChangeListener([&](const std::string& path) { heard.push_back(path); });

    ASSERT_EQ(ReadDevConfig(), 1);
    EXPECT_TRUE(heard.empty()) << "a read changes nothing";
    SetDevLuid(3);
    ASSERT_EQ(WriteDevConfig(), 1);
    ASSERT_EQ(ResetDevToFactory(), 1);

    EXPECT_EQ(heard, (std::vector<std::string>{sim.pathOf(id), sim.pathOf(id)}));
}

}  // namespace
}  // namespace devlib_test
