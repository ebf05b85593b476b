// Several sensors at once: each sensor's conversation is the one it has when
// talked to alone, the clock moves by one operation's waits however many
// sensors take part, and a sensor that fails or leaves fails alone.

#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <utility>

#include "DevLibTest.h"

namespace devlib_test {
namespace {

using sim::HalfId;

constexpr int kSensors = 4;

// Reads every sensor, one after another, in table order.
int readEachSensorInTurn()
{
    for (std::int16_t i = 0; i < GetDevCount(); ++i)
        if (!SelectDev(i) || !ReadDevConfig()) return 0;
    return 1;
}

class ParallelTest : public DevLibTest {
protected:
    // Plugs sensors that differ in firmware, LUID and configuration, and opens them unread.
    std::vector<sim::DeviceId> plugDifferentSensors(int count)
    {
        std::vector<sim::DeviceId> ids;
        for (int i = 0; i < count; ++i) {
            const sim::DeviceId id =
                sim.plugSensor(static_cast<std::uint16_t>(0x0405 + i), static_cast<std::uint16_t>(0x100 + i));
            sensor(id).Config[HalfId::Sonar][7] = static_cast<std::uint8_t>(i + 1);
            sensor(id).Config[HalfId::WalkUp2][1] = static_cast<std::uint8_t>(0xA0 + i);
            ids.push_back(id);
        }
        EnumSensors();
        EXPECT_EQ(GetDevCount(), count);
        return ids;
    }

    // Each device's transfers since the last clear, times relative to that device's first transfer.
    std::map<std::string, std::vector<std::string>> wireOfEachSensor() const
    {
        std::map<std::string, std::uint64_t> starts;
        std::map<std::string, std::vector<std::string>> lines;
        for (const sim::Transfer& transfer : sim.transcript()) {
            const std::uint64_t start = starts.try_emplace(transfer.Path, transfer.TimeMs).first->second;
            lines[transfer.Path].push_back(describe(transfer, start));
        }
        return lines;
    }

    // Runs the operation on every sensor, results by table index.
    std::vector<int> runOnEverySensor(const std::function<int()>& operation)
    {
        std::vector<int> results(static_cast<std::size_t>(GetDevCount()), -1);
        RunOnEverySensor([&](std::int16_t index) { results[static_cast<std::size_t>(index)] = operation(); });
        return results;
    }
};

struct OperationCase {
    const char* Name;
    // Readies the current sensor for the operation (on the calling thread).
    std::function<void()> Prepare;
    std::function<int()> Operation;
};

void PrintTo(const OperationCase& c, std::ostream* os)
{
    *os << c.Name;
}

void changeSonarAndWalkUp()
{
    tsSonarParms sonar{};
    ASSERT_EQ(GetSonarParms(&sonar), 1);
    sonar[PingRateS] = 400;
    ASSERT_EQ(SetSonarParms(&sonar), 1);
    tsWalkUpParms walkUp{};
    ASSERT_EQ(GetWalkUpParms(&walkUp), 1);
    walkUp[KeyCountWU] = 2;
    ASSERT_EQ(SetWalkUpParms(&walkUp), 1);
}

class ParallelOperationTest : public ParallelTest, public ::testing::WithParamInterface<OperationCase> {};

// The operation runs on each sensor alone, one after another, and then on all
// of them at once: every sensor sees the same reports with the same waits, and
// all of them together take the time one of them took alone.
TEST_P(ParallelOperationTest, EachSensorHearsItsSerialConversationInTheTimeOfOne)
{
    const OperationCase& c = GetParam();
    plugDifferentSensors(kSensors);
    ASSERT_EQ(readEachSensorInTurn(), 1);

    sim.clearTranscript();
    std::uint64_t aloneMs = 0;
    for (std::int16_t i = 0; i < kSensors; ++i) {
        ASSERT_EQ(SelectDev(i), 1);
        c.Prepare();
        const std::uint64_t start = sim.nowMs();
        ASSERT_EQ(c.Operation(), 1);
        aloneMs = std::max(aloneMs, sim.nowMs() - start);
    }
    const auto serial = wireOfEachSensor();
    ASSERT_EQ(serial.size(), static_cast<std::size_t>(kSensors));

    sim.clearTranscript();
    for (std::int16_t i = 0; i < kSensors; ++i) {
        ASSERT_EQ(SelectDev(i), 1);
        c.Prepare();
    }
    const std::uint64_t start = sim.nowMs();
    EXPECT_EQ(runOnEverySensor(c.Operation), std::vector<int>(kSensors, 1));

    EXPECT_EQ(sim.nowMs() - start, aloneMs);
    EXPECT_EQ(wireOfEachSensor(), serial);
    for (std::int16_t i = 0; i < kSensors; ++i) EXPECT_EQ(DevRecord(i).Status, kStatusSuccess) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Operations, ParallelOperationTest,
    ::testing::Values(OperationCase{"Read", [] {}, [] { return ReadDevConfig(); }},
                      OperationCase{"Write", changeSonarAndWalkUp, [] { return WriteDevConfig(); }},
                      OperationCase{"FactoryReset", [] {}, [] { return ResetDevToFactory(); }},
                      OperationCase{"Range", [] {},
                                    [] {
                                        tsRangeInfo reading{};
                                        return GetRangeInfo(&reading);
                                    }}),
    [](const auto& instance) { return std::string(instance.param.Name); });

// A sensor failing at any one of its exchanges during a read of every sensor
// leaves the others' reads as they are alone: whole, with their own values.
TEST_F(ParallelTest, OneSensorFailingAtEachExchangeLeavesTheOthersIntact)
{
    const std::vector<sim::DeviceId> ids = plugDifferentSensors(3);
    const sim::DeviceId failing = ids[1];
    constexpr int kTransfersOfARead = 22;
    for (int k = 1; k <= kTransfersOfARead; ++k) {
        sim.clearTranscript();
        sim.failTransferOf(failing, k);

        const std::vector<int> results = runOnEverySensor([] { return ReadDevConfig(); });

        EXPECT_TRUE(results[1] == 0 || (DevRecord(1).Status & kStatusReadConfigFailed)) << "transfer " << k;
        const auto wires = wireOfEachSensor();
        for (int i : {0, 2}) {
            const tsDevSlot record = DevRecord(static_cast<std::int16_t>(i));
            EXPECT_EQ(results[static_cast<std::size_t>(i)], 1) << "transfer " << k << ", sensor " << i;
            EXPECT_EQ(record.Status, kStatusSuccess) << "transfer " << k << ", sensor " << i;
            EXPECT_EQ(record.Luid, sensor(ids[static_cast<std::size_t>(i)]).Luid);
            EXPECT_EQ(record.Sonar[StartDlyS], i + 1);
            EXPECT_EQ(record.LastReservedWU, 0xA0 + i);
            EXPECT_EQ(wires.at(sim.pathOf(ids[static_cast<std::size_t>(i)])),
                      Wire().completeRead(sensor(ids[static_cast<std::size_t>(i)])).lines());
        }
    }
}

// A sensor that stops answering, its transfer blocking until the USB
// timeout, holds up its own read only: the others end after one read's waits.
TEST_F(ParallelTest, ASensorThatStopsAnsweringHoldsUpOnlyItsOwnRead)
{
    const std::vector<sim::DeviceId> ids = plugDifferentSensors(3);
    constexpr std::uint32_t kUsbTimeoutMs = 5000;
    sim.stallTransferOf(ids[1], 4, kUsbTimeoutMs);
    const std::uint64_t start = sim.nowMs();

    const std::vector<int> results = runOnEverySensor([] { return ReadDevConfig(); });

    EXPECT_EQ(results, (std::vector<int>{1, 0, 1}));
    for (const sim::Transfer& transfer : sim.transcript()) {
        if (transfer.Path != sim.pathOf(ids[1])) {
            EXPECT_LE(transfer.TimeMs - start, 11 * kExchangeMs);
        }
    }
    // Its second exchange's read comes after two waits and blocks until the timeout.
    EXPECT_EQ(sim.nowMs() - start, 2 * kExchangeMs + kUsbTimeoutMs)
        << "the run ends with the stalled transfer";
}

// The sensor pulled out during a read of every sensor fails its read and
// leaves the table when the run ends; the others are read and stay.
TEST_F(ParallelTest, UnplugDuringAReadOfEverySensorRemovesOnlyThatSensor)
{
    const std::vector<sim::DeviceId> ids = plugDifferentSensors(3);
    sim.setDeviceListener([](const platform::DeviceEvent& event) {
        if (event.Kind == platform::DeviceEventKind::Removal) OnDevRemoval(event.Path.c_str());
    });
    sim.unplugDuringTransferOf(ids[1], 7);
    const std::uint64_t start = sim.nowMs();

    std::vector<std::int16_t> countsDuringTheRun(3);
    const std::vector<int> results = runOnEverySensor([&] {
        const int read = ReadDevConfig();
        countsDuringTheRun[static_cast<std::size_t>(GetCurrentDev())] = GetDevCount();
        return read;
    });

    EXPECT_EQ(results, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(countsDuringTheRun, (std::vector<std::int16_t>{3, 3, 3}))
        << "the table holds still during the run";
    EXPECT_EQ(sim.nowMs() - start, 11 * kExchangeMs);
    ASSERT_EQ(GetDevCount(), 2);
    EXPECT_EQ(std::string(DevRecord(0).DevicePath), sim.pathOf(ids[0]));
    EXPECT_EQ(std::string(DevRecord(1).DevicePath), sim.pathOf(ids[2]));
    EXPECT_EQ(DevRecord(1).Luid, sensor(ids[2]).Luid);
    EXPECT_EQ(sim.openHandleCount(ids[1]), 0);
    sim.setDeviceListener({});
}

// On a thread of a run, the sensor looked for is that thread's own, not the
// one selected: only the thread of the sensor pulled out finds it gone.
TEST_F(ParallelTest, EachSensorThreadLooksWhetherItsOwnSensorIsPresent)
{
    const std::vector<sim::DeviceId> ids = plugDifferentSensors(3);
    ASSERT_EQ(SelectDev(0), 1);
    sim.unplug(ids[1]);

    EXPECT_EQ(runOnEverySensor([] { return CheckDevPresent(); }), (std::vector<int>{1, 0, 1}));

    EXPECT_EQ(CheckDevPresent(), 1) << "the selected sensor, outside the run";
    EXPECT_FALSE(LibState().Setup.Module) << "the device set is not held";
}

// Reading some sensors at once (those that arrived) leaves the others
// untouched; each read is told on its own sensor's thread as it ends, and the
// lowest index read completely is given.
TEST_F(ParallelTest, ReadsTheSensorsAskedForAtOnceTellingEachAsItEnds)
{
    const std::vector<sim::DeviceId> ids = plugDifferentSensors(kSensors);
    sim.failTransferOf(ids[1], 3);
    const std::uint64_t start = sim.nowMs();

    std::mutex toldMutex;
    std::map<std::int16_t, std::pair<int, std::uint16_t>> told;
    const std::int16_t firstRead = ReadSensorsAtOnce({3, 1, 2}, [&](std::int16_t index, int read) {
        const std::lock_guard lock(toldMutex);
        told[index] = {read, CurrentDevRecord().Luid};
    });

    EXPECT_EQ(firstRead, 2);
    EXPECT_EQ(told, (std::map<std::int16_t, std::pair<int, std::uint16_t>>{
                        {1, {0, 0}}, {2, {1, sensor(ids[2]).Luid}}, {3, {1, sensor(ids[3]).Luid}}}));
    EXPECT_EQ(sim.nowMs() - start, 11 * kExchangeMs);
    const auto wires = wireOfEachSensor();
    EXPECT_FALSE(wires.contains(sim.pathOf(ids[0]))) << "a sensor not asked for is not talked to";
    EXPECT_EQ(DevRecord(0).Valid, 0u);
}

}  // namespace
}  // namespace devlib_test
