// The reports of a complete read and of the writes of changed blocks, their
// order and the virtual time between them.

#include <functional>
#include <ostream>

#include "DevLibTest.h"

namespace devlib_test {
namespace {

using sim::HalfId;
using TransferProtocolTest = DevLibTest;

TEST_F(TransferProtocolTest, CompleteReadIsElevenExchangesOf250Ms)
{
    const sim::DeviceId id = openSensor();
    sensor(id).Luid = 0xBEEF;
    const std::uint64_t start = sim.nowMs();

    EXPECT_EQ(ReadDevConfig(), 1);

    EXPECT_EQ(wire(), Wire().completeRead(sensor(id)).lines());
    EXPECT_EQ(sim.nowMs() - start, 11 * kExchangeMs);
    EXPECT_EQ(GetDevStatus(), 0u);
    EXPECT_EQ(slot().Valid, 1u);
    EXPECT_EQ(GetDevLuid(), 0xBEEF);
    EXPECT_EQ(GetDevFwVersion(), 0x0405);
}

TEST_F(TransferProtocolTest, ReadReplacesTheFirmwareVersionFromTheAttributesWithTheInfoReport)
{
    const sim::DeviceId id = sim.plugSensor(0x0405);
    ASSERT_EQ(OnDevArrival(sim.pathOf(id).c_str()), 1);
    sensor(id).FwVersion = 0x0412;  // answered by the info report from now on

    EXPECT_EQ(ReadDevConfig(), 1);
    EXPECT_EQ(GetDevFwVersion(), 0x0412);
}

TEST_F(TransferProtocolTest, ReadDiscardsStoredChangesAndAPendingLuid)
{
    openSensor();
    tsIdleParms idle{};
    ASSERT_EQ(GetIdleParms(&idle), 1);
    idle[FlagsI] = 0;
    ASSERT_EQ(SetIdleParms(&idle), 1);
    SetDevLuid(7);

    EXPECT_EQ(ReadDevConfig(), 1);

    EXPECT_EQ(slot().DirtyIdle, 0u);
    EXPECT_EQ(slot().LuidDirty, 0u);
    EXPECT_EQ(GetDevLuid(), 0);
    sim.clearTranscript();
    EXPECT_EQ(WriteDevConfig(), 1);
    EXPECT_EQ(wire(), Wire().set(commandReport(0x90, 0x00)).lines());
}

struct BlockWriteCase {
    const char* Name;
    std::function<int()> Store;  // changes one field of one block in the library
    std::vector<HalfId> Halves;  // the halves the write sends, in order
    std::uint8_t Mask;
    HalfId Changed;
    std::size_t Byte;  // index of the changed byte within that half (d1 = 0)
    std::uint8_t Value;
};

void PrintTo(const BlockWriteCase& c, std::ostream* os)
{
    *os << c.Name;
}

template <class Block, class Get, class Set>
std::function<int()> changeField(Get get, Set set, std::size_t word, std::uint16_t value)
{
    return [=] {
        Block block{};
        if (!get(&block)) return 0;
        block[word] = value;
        return set(&block);
    };
}

constexpr std::uint8_t commandOf(HalfId half)
{
    constexpr std::uint8_t commands[] = {0x80, 0x81, 0x82, 0x83, 0x84, 0x8B, 0x8B, 0x8B, 0x8B, 0x85};
    return commands[static_cast<int>(half)];
}

constexpr std::uint8_t subOf(HalfId half)
{
    constexpr std::uint8_t subs[] = {0, 0, 0, 0, 0, 0x08, 0x09, 0x0A, 0x0B, 0};
    return subs[static_cast<int>(half)];
}

class BlockWriteAlone : public DevLibTest, public ::testing::WithParamInterface<BlockWriteCase> {};

TEST_P(BlockWriteAlone, SendsItsHalvesThenTheCommitWithItsMask)
{
    const BlockWriteCase& c = GetParam();
    const sim::DeviceId id = openSensor();
    ASSERT_EQ(c.Store(), 1);
    sim::SensorHalves expected = sensor(id).Config;
    expected[c.Changed][c.Byte] = c.Value;
    sim.clearTranscript();

    EXPECT_EQ(WriteDevConfig(), 1);

    Wire wire_;
    for (HalfId half : c.Halves) wire_.writeExchange(commandOf(half), subOf(half), expected[half]);
    wire_.set(commandReport(0x90, c.Mask));
    EXPECT_EQ(wire(), wire_.lines());
    EXPECT_EQ(GetDevStatus(), 0u);
    EXPECT_EQ(sensor(id).Config, expected) << "the commit makes the written halves take effect";
    EXPECT_EQ(sensor(id).PendingMask, 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachBlock, BlockWriteAlone,
    ::testing::Values(
        BlockWriteCase{"Sonar",
                       changeField<tsSonarParms>(GetSonarParms, SetSonarParms, PingRateS, 1018),
                       {HalfId::Sonar},
                       0x01,
                       HalfId::Sonar,
                       1,
                       254},
        BlockWriteCase{"WalkAway",
                       changeField<tsWalkAwayParms>(GetWalkAwayParms, SetWalkAwayParms, Key2CodeWA, 0x04),
                       {HalfId::WalkAway1, HalfId::WalkAway2},
                       0x06,
                       HalfId::WalkAway2,
                       3,
                       0x04},
        BlockWriteCase{"WalkUp",
                       changeField<tsWalkUpParms>(GetWalkUpParms, SetWalkUpParms, KeyCountWU, 1),
                       {HalfId::WalkUp1, HalfId::WalkUp2},
                       0x18,
                       HalfId::WalkUp1,
                       0,
                       1},
        BlockWriteCase{
            "WalkAwayEx",
            changeField<tsWalkAwayParmsEx>(GetWalkAwayParmsEx, SetWalkAwayParmsEx, KeyCountWAEx, 7),
            {HalfId::WalkAwayEx1, HalfId::WalkAwayEx2},
            0x06,
            HalfId::WalkAwayEx1,
            0,
            7},
        BlockWriteCase{"WalkUpEx",
                       changeField<tsWalkUpParmsEx>(GetWalkUpParmsEx, SetWalkUpParmsEx, Key7ModsWUEx, 0x02),
                       {HalfId::WalkUpEx1, HalfId::WalkUpEx2},
                       0x18,
                       HalfId::WalkUpEx1,
                       7,
                       0x02},
        BlockWriteCase{"Idle",
                       changeField<tsIdleParms>(GetIdleParms, SetIdleParms, FlagsI, 0x01),
                       {HalfId::Idle},
                       0x20,
                       HalfId::Idle,
                       4,
                       0x01}),
    [](const auto& instance) { return std::string(instance.param.Name); });

TEST_F(TransferProtocolTest, WriteWithNothingChangedSendsOnlyTheCommitWithMaskZero)
{
    const sim::DeviceId id = openSensor();
    const sim::SensorHalves before = sensor(id).Config;
    const std::uint64_t start = sim.nowMs();

    EXPECT_EQ(WriteDevConfig(), 1);

    EXPECT_EQ(wire(), Wire().set(commandReport(0x90, 0x00)).lines());
    EXPECT_EQ(sim.nowMs(), start) << "the commit is neither preceded nor followed by a wait";
    EXPECT_EQ(sensor(id).Config, before);
}

TEST_F(TransferProtocolTest, EveryChangedBlockTravelsInOrderBeforeOneCommit)
{
    const sim::DeviceId id = openSensor();
    Blocks all;
    ASSERT_TRUE(all.fetch());
    ASSERT_TRUE(all.store());
    const sim::SensorHalves expected = sensor(id).Config;
    sim.clearTranscript();

    EXPECT_EQ(WriteDevConfig(), 1);

    Wire expectedWire;
    for (HalfId half :
         {HalfId::Sonar, HalfId::WalkAway1, HalfId::WalkAway2, HalfId::WalkUp1, HalfId::WalkUp2,
          HalfId::WalkAwayEx1, HalfId::WalkAwayEx2, HalfId::WalkUpEx1, HalfId::WalkUpEx2, HalfId::Idle}) {
        expectedWire.writeExchange(commandOf(half), subOf(half), expected[half]);
    }
    expectedWire.set(commandReport(0x90, 0x3F));
    EXPECT_EQ(wire(), expectedWire.lines());
    EXPECT_EQ(slot().DirtySonar + slot().DirtyWalkAway + slot().DirtyWalkUp + slot().DirtyWalkAwayEx +
                  slot().DirtyWalkUpEx + slot().DirtyIdle,
              0u);
}

TEST_F(TransferProtocolTest, LuidTravelsAfterTheCommitOneByteFurtherOn)
{
    const sim::DeviceId id = openSensor();
    EXPECT_EQ(SetDevLuid(0x1234), 1);
    EXPECT_EQ(slot().LuidDirty, 1u);
    EXPECT_EQ(sim.transcript().size(), 0u) << "setting the LUID sends nothing";

    EXPECT_EQ(WriteDevConfig(), 1);

    EXPECT_EQ(wire(), Wire()
                          .set(commandReport(0x90, 0x00))
                          .writeExchange(0x8A, 0, {0x00, 0x34, 0x12, 0, 0, 0, 0, 0})
                          .lines());
    EXPECT_EQ(slot().LuidDirty, 0u);
    EXPECT_EQ(sensor(id).Luid, 0x1234);

    EXPECT_EQ(ReadDevConfig(), 1);
    EXPECT_EQ(GetDevLuid(), 0x1234) << "read back from d1 and d2 of the info report";
}

TEST_F(TransferProtocolTest, LuidFollowsTheCommitOfAChangedBlock)
{
    openSensor();
    tsIdleParms idle{};
    ASSERT_EQ(GetIdleParms(&idle), 1);
    ASSERT_EQ(SetIdleParms(&idle), 1);
    SetDevLuid(0xA5C3);

    EXPECT_EQ(WriteDevConfig(), 1);

    const std::vector<std::string> lines = wire();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "+250 set 00 90 20 00 00 00 00 00 00");
    EXPECT_EQ(lines[3], "+250 set 00 8a 00 00 00 00 00 00 00");
    EXPECT_EQ(lines[4], "+500 set 00 00 c3 a5 00 00 00 00 00");
}

TEST_F(TransferProtocolTest, InfoReadIsOneExchangeAndReadsNoBlock)
{
    const sim::DeviceId id = sim.plugSensor(0x0405);
    ASSERT_EQ(OnDevArrival(sim.pathOf(id).c_str()), 1);
    sensor(id).Luid = 0x1234;
    sensor(id).FwVersion = 0x0412;
    const std::uint64_t start = sim.nowMs();

    EXPECT_EQ(ReadDevInfo(), 1);

    EXPECT_EQ(wire(), Wire().readExchange(0x8A, 0, infoAnswer(sensor(id))).lines());
    EXPECT_EQ(sim.nowMs() - start, kExchangeMs);
    EXPECT_EQ(GetDevLuid(), 0x1234);
    EXPECT_EQ(GetDevFwVersion(), 0x0412);
    EXPECT_EQ(slot().Valid, 0u);
}

TEST_F(TransferProtocolTest, InfoReadFailureLeavesItsCode)
{
    const sim::DeviceId id = sim.plugSensor(0x0405);
    ASSERT_EQ(OnDevArrival(sim.pathOf(id).c_str()), 1);
    sim.failTransfer(2);

    EXPECT_EQ(ReadDevInfo(), 0);
    EXPECT_EQ(GetDevStatus(), kStatusReadConfigFailed | kStatusReadFailed);
}

}  // namespace
}  // namespace devlib_test
