// A transfer failing at every point of a complete read and of a write of all
// blocks, and sensors that refuse the extension sets.

#include <algorithm>

#include "DevLibTest.h"

namespace devlib_test {
namespace {

using sim::HalfId;

using FaultInjectionTest = DevLibTest;

constexpr std::uint16_t kUntouched = 0xEEEE;

constexpr HalfId kReadOrder[] = {
    HalfId::Sonar,       HalfId::WalkAway1,   HalfId::WalkAway2, HalfId::WalkUp1,   HalfId::WalkUp2,
    HalfId::WalkAwayEx1, HalfId::WalkAwayEx2, HalfId::WalkUpEx1, HalfId::WalkUpEx2, HalfId::Idle};
constexpr int kReadExchanges = 11;  // the ten halves and the info
constexpr int kFirstExtensionExchange = 5;
constexpr int kIdleExchange = 9;
constexpr int kInfoExchange = 10;

// The eight words of a slot that one half fills.
std::vector<std::uint16_t> wordsOf(const tsDevSlot& s, HalfId half)
{
    auto eight = [](const auto& block, std::size_t first) {
        return std::vector<std::uint16_t>(block.Words + first, block.Words + first + 8);
    };
    switch (half) {
        case HalfId::Sonar:
            return eight(s.Sonar, 0);
        case HalfId::WalkAway1:
            return eight(s.WalkAway, 0);
        case HalfId::WalkAway2:
            return eight(s.WalkAway, 8);
        case HalfId::WalkUp1:
            return eight(s.WalkUp, 0);
        case HalfId::WalkUp2:
            return eight(s.WalkUp, 8);
        case HalfId::WalkAwayEx1:
            return eight(s.WalkAwayEx, 0);
        case HalfId::WalkAwayEx2:
            return eight(s.WalkAwayEx, 8);
        case HalfId::WalkUpEx1:
            return eight(s.WalkUpEx, 0);
        case HalfId::WalkUpEx2:
            return eight(s.WalkUpEx, 8);
        case HalfId::Idle:
            return eight(s.Idle, 0);
    }
    return {};
}

bool untouched(const tsDevSlot& s, HalfId half)
{
    const auto words = wordsOf(s, half);
    return std::ranges::all_of(words, [](std::uint16_t w) { return w == kUntouched; });
}

bool freshlyRead(const tsDevSlot& s, HalfId half)
{
    const auto words = wordsOf(s, half);
    return std::ranges::none_of(words, [](std::uint16_t w) { return w == kUntouched; });
}

template <class Block>
void fill(Block& block)
{
    std::ranges::fill(block.Words, kUntouched);
}

int changeMarks(const tsDevSlot& s)
{
    return static_cast<int>(s.DirtySonar + s.DirtyWalkAway + s.DirtyWalkUp + s.DirtyWalkAwayEx +
                            s.DirtyWalkUpEx + s.DirtyIdle);
}

class ReadFailingAt : public DevLibTest, public ::testing::WithParamInterface<int> {
protected:
    // A slot that was never read completely, with stored changes and a LUID
    // waiting, and recognisable contents in every block.
    void prepareSlot()
    {
        openSensor();
        tsDevSlot& s = slot();
        fill(s.Sonar), fill(s.WalkAway), fill(s.WalkUp), fill(s.WalkAwayEx), fill(s.WalkUpEx), fill(s.Idle);
        s.Valid = 0;
        s.DirtySonar = s.DirtyWalkAway = s.DirtyWalkUp = s.DirtyWalkAwayEx = s.DirtyWalkUpEx = s.DirtyIdle =
            1;
        s.LuidDirty = 1;
        s.Luid = 0x7777;
    }
};

TEST_P(ReadFailingAt, LeavesTheCodesAndWhatWasReadSoFar)
{
    const int k = GetParam();  // the k-th transfer of the read fails
    const int exchange = (k - 1) / 2;
    const bool commandFailed = k % 2 == 1;
    const bool inExtensionSets = exchange >= kFirstExtensionExchange && exchange < kIdleExchange;
    prepareSlot();
    sim.failTransfer(k);

    const int result = ReadDevConfig();

    const tsDevSlot& s = slot();
    EXPECT_EQ(result, inExtensionSets ? 1 : 0);
    EXPECT_EQ(s.Status, kStatusReadConfigFailed | (commandFailed ? kStatusSendFailed : kStatusReadFailed));
    for (int i = 0; i < kIdleExchange + 1; ++i) {
        const bool read = i < exchange || (inExtensionSets && i == kIdleExchange);
        EXPECT_TRUE(read ? freshlyRead(s, kReadOrder[i]) : untouched(s, kReadOrder[i])) << "half " << i;
    }
    const bool gotPastIdle = inExtensionSets || exchange == kInfoExchange;
    EXPECT_EQ(s.Valid, gotPastIdle ? 1u : 0u);
    EXPECT_EQ(changeMarks(s), gotPastIdle ? 0 : 6);
    EXPECT_EQ(s.LuidDirty, inExtensionSets ? 0u : 1u);
    EXPECT_EQ(s.Luid, inExtensionSets ? 0 : 0x7777);
    // An extension failure skips to the idle block and the info, two exchanges.
    EXPECT_EQ(sim.transcript().size(), static_cast<std::size_t>(inExtensionSets ? k + 4 : k));
}

INSTANTIATE_TEST_SUITE_P(EveryTransfer, ReadFailingAt, ::testing::Range(1, 2 * kReadExchanges + 1));

class WriteFailingAt : public DevLibTest, public ::testing::WithParamInterface<int> {};

TEST_P(WriteFailingAt, KeepsWhatIsNotYetCommitted)
{
    // Transfers of a write of everything: ten halves of two transfers each,
    // the commit, the LUID exchange.
    constexpr int kFirstExtensionTransfer = 11;
    constexpr int kIdleTransfer = 19;
    constexpr int kCommitTransfer = 21;
    const int k = GetParam();
    const bool inExtensionSets = k >= kFirstExtensionTransfer && k < kIdleTransfer;
    const bool committed = inExtensionSets || k > kCommitTransfer;
    const sim::DeviceId id = openSensor();
    Blocks all;
    ASSERT_TRUE(all.fetch());
    all.Sonar[PingRateS] = 800;
    ASSERT_TRUE(all.store());
    SetDevLuid(0x4242);
    sim.failTransfer(k);

    const int result = WriteDevConfig();

    EXPECT_EQ(result, inExtensionSets ? 1 : 0);
    EXPECT_EQ(GetDevStatus(), kStatusWriteConfigFailed | kStatusSendFailed);
    EXPECT_EQ(changeMarks(slot()), committed ? 0 : 6);
    EXPECT_EQ(slot().LuidDirty, inExtensionSets ? 0u : 1u);
    EXPECT_EQ(sensor(id).Luid, inExtensionSets ? 0x4242 : 0);
    EXPECT_EQ(sensor(id).Config[HalfId::Sonar][1], committed ? 200 : 125);
    const auto& transcript = sim.transcript();
    const bool commitSent = std::ranges::any_of(
        transcript, [](const sim::Transfer& t) { return t.Ok && t.Bytes[1] == 0x90 && t.Bytes[2] == 0x3F; });
    EXPECT_EQ(commitSent, committed);
}

INSTANTIATE_TEST_SUITE_P(EveryTransfer, WriteFailingAt, ::testing::Range(1, 24));

TEST_F(FaultInjectionTest, FailedWriteSendsTheSameBlocksAgainNextTime)
{
    const sim::DeviceId id = openSensor();
    tsIdleParms idle{};
    ASSERT_EQ(GetIdleParms(&idle), 1);
    idle[DMTOTmI] = 99;
    ASSERT_EQ(SetIdleParms(&idle), 1);
    sim.failTransfer(2);
    ASSERT_EQ(WriteDevConfig(), 0);
    sim.clearTranscript();

    EXPECT_EQ(WriteDevConfig(), 1);

    EXPECT_EQ(wire().size(), 3u);
    EXPECT_EQ(wire().back(), "+250 set 00 90 20 00 00 00 00 00 00");
    EXPECT_EQ(sensor(id).Config[HalfId::Idle][6], 99);
}

TEST_F(FaultInjectionTest, ExtensionFailureMidWaySkipsTheRestOfBothSets)
{
    const sim::DeviceId id = openSensor();
    Blocks all;
    ASSERT_TRUE(all.fetch());
    all.WalkAwayEx[KeyCountWAEx] = 2;
    all.WalkUpEx[KeyCountWUEx] = 3;
    ASSERT_EQ(SetWalkAwayParmsEx(&all.WalkAwayEx), 1);
    ASSERT_EQ(SetWalkUpParmsEx(&all.WalkUpEx), 1);
    sim.clearTranscript();
    sim.failTransfer(3);  // the command of the second walk-away extension half

    EXPECT_EQ(WriteDevConfig(), 1);

    EXPECT_EQ(GetDevStatus(), kStatusWriteConfigFailed | kStatusSendFailed);
    EXPECT_EQ(wire(), Wire()
                          .writeExchange(0x8B, 0x08, {0x02, 0, 0, 0, 0, 0, 0, 0})
                          .set(commandReport(0x8B, 0x09), false)
                          .set(commandReport(0x90, 0x02))
                          .lines());
    EXPECT_EQ(sensor(id).Config[HalfId::WalkAwayEx1][0], 2);
    EXPECT_EQ(sensor(id).Config[HalfId::WalkUpEx1][0], 0);
    EXPECT_EQ(changeMarks(slot()), 0);
}

class RefusedExtensionSets : public DevLibTest {
protected:
    sim::DeviceId openOldSensor()
    {
        const sim::DeviceId id = sim.plugSensor(0x0143);
        sensor(id).ExtensionSetsSupported = false;
        sensor(id).Luid = 0x0102;
        BindHidLib();
        EXPECT_EQ(OnDevArrival(sim.pathOf(id).c_str()), 1);
        return id;
    }
};

TEST_F(RefusedExtensionSets, ReadGetsEverythingElseAndSucceeds)
{
    const sim::DeviceId id = openOldSensor();
    fill(slot().WalkAwayEx), fill(slot().WalkUpEx);

    EXPECT_EQ(ReadDevConfig(), 1);

    EXPECT_EQ(GetDevStatus(), kStatusReadConfigFailed | kStatusSendFailed);
    const sim::SensorHalves& c = sensor(id).Config;
    EXPECT_EQ(wire(), Wire()
                          .readExchange(0x80, 0, c[HalfId::Sonar])
                          .readExchange(0x81, 0, c[HalfId::WalkAway1])
                          .readExchange(0x82, 0, c[HalfId::WalkAway2])
                          .readExchange(0x83, 0, c[HalfId::WalkUp1])
                          .readExchange(0x84, 0, c[HalfId::WalkUp2])
                          .set(commandReport(0x8B, 0x08), false)
                          .readExchange(0x85, 0, c[HalfId::Idle])
                          .readExchange(0x8A, 0, infoAnswer(sensor(id)))
                          .lines());
    EXPECT_EQ(slot().Valid, 1u);
    EXPECT_EQ(GetDevLuid(), 0x0102);
    for (HalfId half : {HalfId::WalkAwayEx1, HalfId::WalkAwayEx2, HalfId::WalkUpEx1, HalfId::WalkUpEx2}) {
        EXPECT_TRUE(untouched(slot(), half));
    }
    tsWalkAwayParmsEx walkAwayEx{};
    EXPECT_EQ(GetWalkAwayParmsEx(&walkAwayEx), 1) << "the slot counts as read";
}

TEST_F(RefusedExtensionSets, WriteSendsEveryOtherBlockAndCommits)
{
    const sim::DeviceId id = openOldSensor();
    ASSERT_EQ(ReadDevConfig(), 1);
    Blocks all;
    ASSERT_TRUE(all.fetch());
    all.Sonar[PingRateS] = 800;
    all.Idle[DMTOTmI] = 42;
    ASSERT_TRUE(all.store());
    SetDevLuid(0x0BAD);
    sim.clearTranscript();

    EXPECT_EQ(WriteDevConfig(), 1);

    EXPECT_EQ(GetDevStatus(), kStatusWriteConfigFailed | kStatusSendFailed);
    const std::vector<std::string> lines = wire();
    ASSERT_EQ(lines.size(), 10u + 1 + 2 + 1 + 2);
    EXPECT_EQ(lines[10], "+1250 set 00 8b 08 00 00 00 00 00 00 failed");
    EXPECT_EQ(lines[11], "+1250 set 00 85 00 00 00 00 00 00 00");
    EXPECT_EQ(lines[13], "+1500 set 00 90 3f 00 00 00 00 00 00");
    EXPECT_EQ(sensor(id).Config[HalfId::Sonar][1], 200);
    EXPECT_EQ(sensor(id).Config[HalfId::Idle][6], 42);
    EXPECT_EQ(sensor(id).Luid, 0x0BAD);
    EXPECT_EQ(changeMarks(slot()), 0);
}

TEST_F(RefusedExtensionSets, ExtensionOnlyWriteCommitsNothing)
{
    const sim::DeviceId id = openOldSensor();
    ASSERT_EQ(ReadDevConfig(), 1);
    tsWalkUpParmsEx walkUpEx{};
    ASSERT_EQ(GetWalkUpParmsEx(&walkUpEx), 1);
    ASSERT_EQ(SetWalkUpParmsEx(&walkUpEx), 1);
    sim.clearTranscript();

    EXPECT_EQ(WriteDevConfig(), 1);

    EXPECT_EQ(wire(), Wire().set(commandReport(0x8B, 0x0A), false).set(commandReport(0x90, 0x00)).lines());
    EXPECT_EQ(sensor(id).PendingMask, 0);
}

TEST_F(FaultInjectionTest, UnplugDuringAReadFailsIt)
{
    const sim::DeviceId id = openSensor();
    sim.unplugDuringTransfer(7, id);

    EXPECT_EQ(ReadDevConfig(), 0);

    EXPECT_EQ(GetDevStatus(), kStatusReadConfigFailed | kStatusSendFailed);
    EXPECT_EQ(OnDevRemoval(sim.pathOf(id).c_str()), 1);
    EXPECT_EQ(GetDevCount(), 0);
    EXPECT_EQ(sim.openHandleCount(id), 0);
}

}  // namespace
}  // namespace devlib_test
