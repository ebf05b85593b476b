// One operation at a time per sensor across programs: every operation holds
// its sensor, waits on the platform's clock while another program has it, and
// gives up at the limit without sending anything; changes other programs
// made are noticed.

#include <functional>
#include <ostream>
#include <set>
#include <span>
#include <string>
#include <vector>

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
    std::vector<std::string> waitsOver_;  // the device path of each wait that ended, in order

    void watchWaits(std::uint32_t limitMs)
    {
        tsSensorWait wait;
        wait.LimitMs = limitMs;
        wait.Waiting = [this](const char* path, std::uint32_t waitedMs) {
            told_.push_back(std::string(path) + " " + std::to_string(waitedMs));
        };
        wait.WaitOver = [this](const char* path) { waitsOver_.emplace_back(path); };
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
    EXPECT_EQ(waitsOver_, std::vector<std::string>{sim.pathOf(id)});
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
    EXPECT_EQ(waitsOver_, std::vector<std::string>{sim.pathOf(id)});
    EXPECT_FALSE(sim.lockedHere(id));
}

INSTANTIATE_TEST_SUITE_P(Cases, EveryOperation, ::testing::ValuesIn(kOperations),
                         [](const auto& instance) { return std::string(instance.param.Name); });

TEST_F(SensorLockTest, AFreeSensorCostsNoWaitAndNoWord)
{
    openSensor();
    watchWaits(30000);
    const std::uint64_t start = sim.nowMs();

    EXPECT_EQ(ReadDevInfo(), 1);

    EXPECT_EQ(sim.transcript().front().TimeMs, start);
    EXPECT_TRUE(told_.empty());
    EXPECT_TRUE(waitsOver_.empty());
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

// Ways a sensor's handle is closed while an operation on it is open.
struct Leaving {
    const char* Name;
    std::function<int(const std::string& path)> Leave;
};

void PrintTo(const Leaving& leaving, std::ostream* os)
{
    *os << leaving.Name;
}

const Leaving kLeavings[] = {
    {"removal", [](const std::string& path) { return OnDevRemoval(path.c_str()); }},
    {"close_all", [](const std::string&) { return CloseAllDevices(); }},
};

class SensorLeaving : public SensorLockTest, public ::testing::WithParamInterface<Leaving> {};

// The kernel gives a closed handle's number to the next open. An operation
// that ends after its sensor left leaves nothing the next sensor, opened with
// the same number, would take for a hold of its own.
TEST_P(SensorLeaving, AnOperationEndingAfterItsSensorLeftLeavesTheNextSensorToLockItself)
{
    sim.reuseHandleNumbers();
    const sim::DeviceId first = openSensor();
    const platform::Handle handle = slot(0).Handle;
    ASSERT_EQ(BeginDevOperation(), 1);
    ASSERT_TRUE(sim.lockedHere(first));
    sim.unplug(first);
    ASSERT_EQ(GetParam().Leave(sim.pathOf(first)), 1);
    EndDevOperation();

    const sim::DeviceId next = sim.plugSensor();
    ASSERT_EQ(OnDevArrival(sim.pathOf(next).c_str()), 1);
    ASSERT_EQ(slot(0).Handle, handle) << "the number came back";
    {
        const DevOperation hold;
        EXPECT_TRUE(hold.held());
        EXPECT_TRUE(sim.lockedHere(next)) << "its own operation takes its lock";
    }
    EXPECT_FALSE(sim.lockedHere(next)) << "and gives it back at its end";
}

INSTANTIATE_TEST_SUITE_P(Cases, SensorLeaving, ::testing::ValuesIn(kLeavings),
                         [](const auto& instance) { return std::string(instance.param.Name); });

// Notes each call the library makes on a handle after closing it.
class ClosedHandleWatch : public platform::ForwardingPlatform {
public:
    using ForwardingPlatform::ForwardingPlatform;

    std::vector<std::string> CallsAfterClose;

    void close(platform::Handle handle) override
    {
        closed_.insert(handle);
        ForwardingPlatform::close(handle);
    }
    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override
    {
        note("getFeature", handle);
        return ForwardingPlatform::getFeature(handle, report);
    }
    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override
    {
        note("setFeature", handle);
        return ForwardingPlatform::setFeature(handle, report);
    }
    platform::LockResult tryLock(platform::Handle handle) override
    {
        note("tryLock", handle);
        return ForwardingPlatform::tryLock(handle);
    }
    void unlock(platform::Handle handle) override
    {
        note("unlock", handle);
        ForwardingPlatform::unlock(handle);
    }
    void markChanged(platform::Handle handle) override
    {
        note("markChanged", handle);
        ForwardingPlatform::markChanged(handle);
    }
    std::uint64_t changeStamp(platform::Handle handle) override
    {
        note("changeStamp", handle);
        return ForwardingPlatform::changeStamp(handle);
    }

private:
    void note(const char* call, platform::Handle handle)
    {
        if (closed_.contains(handle)) CallsAfterClose.push_back(call + (" " + std::to_string(handle)));
    }

    std::set<platform::Handle> closed_;
};

class SensorRemovedMidOperation : public SensorLockTest {
protected:
    void SetUp() override
    {
        SensorLockTest::SetUp();
        platform::install(&watch);
    }

    ClosedHandleWatch watch{sim};
};

// A removal heard while the sensor's operation runs closes its handle at once
// (the sim numbers handles afresh, so any later call on that number is on the
// closed one): the operation's end releases nothing through the number, which
// the kernel may already have given to the next sensor opened.
TEST_F(SensorRemovedMidOperation, TheOperationsEndMakesNoCallOnTheClosedHandle)
{
    const sim::DeviceId id = openSensor();
    sim.setDeviceListener([](const platform::DeviceEvent& event) {
        if (event.Kind == platform::DeviceEventKind::Removal) OnDevRemoval(event.Path.c_str());
    });
    sim.unplugDuringTransferOf(id, 3);

    EXPECT_EQ(ReadDevConfig(), 0);

    sim.setDeviceListener({});
    EXPECT_EQ(GetDevCount(), 0) << "removed during the read";
    EXPECT_EQ(watch.CallsAfterClose, std::vector<std::string>{});
}

// A removal moves the sensors after it up the table; an operation open on one
// of them keeps that sensor's hold, nested operations included.
TEST_F(SensorLockTest, AnOpenOperationKeepsItsHoldWhenItsSensorMovesUpTheTable)
{
    const sim::DeviceId first = sim.plugSensor();
    const sim::DeviceId second = sim.plugSensor();
    ASSERT_EQ(OpenSensors(nullptr), 1);
    ASSERT_EQ(SelectDev(1), 1);
    {
        const DevOperation outer;
        ASSERT_TRUE(outer.held());
        sim.unplug(first);
        ASSERT_EQ(OnDevRemoval(sim.pathOf(first).c_str()), 1);
        ASSERT_EQ(std::string(slot(0).DevicePath), sim.pathOf(second));
        EXPECT_EQ(ReadDevInfo(), 1);
        EXPECT_TRUE(sim.lockedHere(second)) << "the nested operation's end leaves the outer hold";
    }
    EXPECT_FALSE(sim.lockedHere(second));
}

// Sensors waited for at once come free one by one; each wait's end is told
// with its own sensor's path.
TEST_F(SensorLockTest, WaitsForSensorsAtOnceEndOneByOneWithTheirPaths)
{
    const sim::DeviceId first = sim.plugSensor();
    const sim::DeviceId second = sim.plugSensor();
    ASSERT_EQ(OpenSensors(nullptr), 1);
    watchWaits(30000);
    const std::uint64_t start = sim.nowMs();
    sim.holdElsewhere(first, start + 500);
    sim.holdElsewhere(second, start + 200);

    std::vector<int> read(2, -1);
    RunOnEverySensor([&](std::int16_t index) { read[static_cast<std::size_t>(index)] = ReadDevInfo(); });

    EXPECT_EQ(read, (std::vector<int>{1, 1}));
    EXPECT_EQ(waitsOver_, (std::vector<std::string>{sim.pathOf(second), sim.pathOf(first)}));
}

}  // namespace
}  // namespace devlib_test
