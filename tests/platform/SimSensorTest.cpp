// The virtual sensor's side of the report protocol, driven with raw reports.

#include <gtest/gtest.h>

#include "SimFixture.h"

namespace {

using sim::Half;
using sim::HalfId;
using sim::Report;
using simtest::payloadOf;
using simtest::report;

struct HalfCommand {
    std::uint8_t Code;
    std::uint8_t Sub;
    HalfId Id;
};

constexpr HalfCommand kHalfCommands[] = {
    {0x80, 0x00, HalfId::Sonar},       {0x81, 0x00, HalfId::WalkAway1}, {0x82, 0x00, HalfId::WalkAway2},
    {0x83, 0x00, HalfId::WalkUp1},     {0x84, 0x00, HalfId::WalkUp2},   {0x8B, 0x08, HalfId::WalkAwayEx1},
    {0x8B, 0x09, HalfId::WalkAwayEx2}, {0x8B, 0x0A, HalfId::WalkUpEx1}, {0x8B, 0x0B, HalfId::WalkUpEx2},
    {0x85, 0x00, HalfId::Idle},
};

// Distinct contents for every half, so a half answered or written in the
// place of another shows.
sim::SensorHalves distinctHalves(std::uint8_t base)
{
    sim::SensorHalves halves;
    for (int i = 0; i < sim::kHalfCount; ++i)
        for (int j = 0; j < 8; ++j) halves.Halves[i][j] = static_cast<std::uint8_t>(base + i * 8 + j);
    return halves;
}

using SimSensorTest = simtest::SimFixture;

TEST_F(SimSensorTest, EachHalfCommandIsAnsweredWithThatHalfOfTheConfig)
{
    sensor.Config = distinctHalves(0x10);
    for (const auto& c : kHalfCommands) {
        SCOPED_TRACE(testing::Message() << "command " << std::hex << int(c.Code) << "/" << int(c.Sub));
        const Report answer = readExchange(c.Code, c.Sub);
        EXPECT_EQ(answer[0], 0);
        EXPECT_EQ(payloadOf(answer), sensor.Config[c.Id]);
    }
}

TEST_F(SimSensorTest, AnswerNeedsTwoHundredFiftyMillisecondsAfterItsCommand)
{
    ASSERT_TRUE(command(0x80));
    sim.sleepMs(249);
    auto [early, notReady] = read(handle);
    EXPECT_TRUE(early);
    EXPECT_EQ(notReady, Report{});

    // The early read does not use up the command: the ready one still answers.
    sim.sleepMs(1);
    auto [ok, answer] = read(handle);
    EXPECT_TRUE(ok);
    EXPECT_EQ(payloadOf(answer), sensor.Config[HalfId::Sonar]);

    // Answered once; a further read has no command to answer.
    auto [again, nothing] = read(handle);
    EXPECT_TRUE(again);
    EXPECT_EQ(nothing, Report{});
}

TEST_F(SimSensorTest, ReadWithoutCommandOrAfterCommandsWithoutAnswerIsAllZero)
{
    EXPECT_EQ(read(handle).second, Report{});
    for (std::uint8_t code : {0x90, 0xB1, 0xB0, 0x86}) {
        SCOPED_TRACE(int(code));
        EXPECT_EQ(readExchange(code), Report{});
    }
}

TEST_F(SimSensorTest, WrittenHalfWaitsForItsCommitBit)
{
    const sim::SensorHalves before = sensor.Config;
    const sim::SensorHalves written = distinctHalves(0x20);
    for (const auto& c : kHalfCommands) {
        SCOPED_TRACE(testing::Message() << "command " << std::hex << int(c.Code) << "/" << int(c.Sub));
        sensor.Config = before;
        writeExchange(c.Code, c.Sub, written[c.Id]);
        EXPECT_EQ(sensor.Config, before);
        EXPECT_EQ(sensor.Pending[c.Id], written[c.Id]);
        EXPECT_EQ(sensor.PendingMask, sim::commitBit(c.Id));

        // Every other bit leaves it pending.
        ASSERT_TRUE(command(0x90, static_cast<std::uint8_t>(0x3F & ~sim::commitBit(c.Id))));
        EXPECT_EQ(sensor.Config, before);
        EXPECT_EQ(sensor.PendingMask, sim::commitBit(c.Id));

        ASSERT_TRUE(command(0x90, sim::commitBit(c.Id)));
        sim::SensorHalves expected = before;
        expected[c.Id] = written[c.Id];
        EXPECT_EQ(sensor.Config, expected);
        EXPECT_EQ(sensor.PendingMask, 0);
        EXPECT_EQ(sensor.PendingHalves, 0);
    }
}

TEST_F(SimSensorTest, CommitTakesBaseAndExtensionHalvesSharingABitAndOnlyTheNamedOnes)
{
    const sim::SensorHalves before = sensor.Config;
    const sim::SensorHalves written = distinctHalves(0x30);
    writeExchange(0x81, 0, written[HalfId::WalkAway1]);
    writeExchange(0x8B, 0x08, written[HalfId::WalkAwayEx1]);
    writeExchange(0x84, 0, written[HalfId::WalkUp2]);
    writeExchange(0x8B, 0x0B, written[HalfId::WalkUpEx2]);
    EXPECT_EQ(sensor.PendingMask, 0x12);

    ASSERT_TRUE(command(0x90, 0x03));  // sonar named but never written: stays as it is

    sim::SensorHalves expected = before;
    expected[HalfId::WalkAway1] = written[HalfId::WalkAway1];
    expected[HalfId::WalkAwayEx1] = written[HalfId::WalkAwayEx1];
    EXPECT_EQ(sensor.Config, expected);
    EXPECT_EQ(sensor.PendingMask, 0x10);
    EXPECT_EQ(sensor.Pending[HalfId::WalkUp2], written[HalfId::WalkUp2]);
    EXPECT_EQ(sensor.Pending[HalfId::WalkUpEx2], written[HalfId::WalkUpEx2]);

    // The later commit of the remaining bit takes both halves written under it.
    ASSERT_TRUE(command(0x90, 0x10));
    expected[HalfId::WalkUp2] = written[HalfId::WalkUp2];
    expected[HalfId::WalkUpEx2] = written[HalfId::WalkUpEx2];
    EXPECT_EQ(sensor.Config, expected);
    EXPECT_EQ(sensor.PendingMask, 0);
}

TEST_F(SimSensorTest, SecondWriteOfAHalfReplacesThePendingOne)
{
    writeExchange(0x85, 0, {1, 2, 3, 4, 5, 6, 7, 8});
    writeExchange(0x85, 0, {9, 9, 9, 9, 9, 9, 9, 9});
    ASSERT_TRUE(command(0x90, 0x20));
    EXPECT_EQ(sensor.Config[HalfId::Idle], (Half{9, 9, 9, 9, 9, 9, 9, 9}));
}

TEST_F(SimSensorTest, DataReportGoesOnlyToTheCommandJustSent)
{
    const sim::SensorHalves before = sensor.Config;
    ASSERT_TRUE(send(report({0x11, 0x22})));  // no command yet: ignored
    writeExchange(0x80, 0, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08});
    ASSERT_TRUE(send(report({0x33})));  // a second data report has no command left
    EXPECT_EQ(sensor.Pending[HalfId::Sonar], (Half{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}));
    EXPECT_EQ(sensor.PendingMask, 0x01);

    writeExchange(0x8F, 0, {0x44});  // the range command takes no data
    EXPECT_EQ(sensor.PendingMask, 0x01);
    EXPECT_EQ(sensor.Config, before);
}

TEST_F(SimSensorTest, InfoAnswersLuidThenFirmwareAndLuidIsWrittenOneByteFurtherOnAtOnce)
{
    sensor.Luid = 0xBEEF;
    sensor.FwVersion = 0x0412;
    EXPECT_EQ(readExchange(0x8A), report({0xEF, 0xBE, 0x12, 0x04, 0, 0, 0, 0}));

    writeExchange(0x8A, 0, {0x00, 0x34, 0x12, 0, 0, 0, 0, 0});
    EXPECT_EQ(sensor.Luid, 0x1234);
    EXPECT_EQ(sensor.PendingMask, 0);
    EXPECT_EQ(readExchange(0x8A), report({0x34, 0x12, 0x12, 0x04, 0, 0, 0, 0}));
}

TEST(SimFactoryDefaults, HoldTheDocumentedValues)
{
    const sim::SensorHalves d = sim::factoryDefaults(0x0405);
    EXPECT_EQ(d[HalfId::Sonar], (Half{0, 125, 8, 49, 146, 5, 2, 0}));
    EXPECT_EQ(d[HalfId::WalkAway1], (Half{1, 2, 0x08, 0, 0, 0, 0, 0}));
    EXPECT_EQ(d[HalfId::WalkAway2], (Half{0, 10, 0x0F, 0, 0, 0, 0, 0}));
    EXPECT_EQ(d[HalfId::WalkUp1], (Half{0, 2, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(d[HalfId::WalkUp2], (Half{0, 0x5A, 0, 0, 0, 0, 0, 0}));
    for (HalfId ex : {HalfId::WalkAwayEx1, HalfId::WalkAwayEx2, HalfId::WalkUpEx1, HalfId::WalkUpEx2})
        EXPECT_EQ(d[ex], Half{});
    EXPECT_EQ(d[HalfId::Idle], (Half{0x03, 0, 0, 0, 0x03, 35, 60, 10}));
}

TEST(SimFactoryDefaults, OnlyFirmwareFourZeroXComesWithDeadTargetAndMinimumDistanceFaultOn)
{
    const struct {
        std::uint16_t Fw;
        std::uint8_t FlagsI;
    } cases[] = {{0x0390, 0x00}, {0x0400, 0x03}, {0x0409, 0x03}, {0x0410, 0x00}, {0x0144, 0x00}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fw);
        sim::SensorHalves d = sim::factoryDefaults(c.Fw);
        EXPECT_EQ(d[HalfId::Idle][4], c.FlagsI);
        // Apart from those flags every firmware has the same defaults.
        d[HalfId::Idle][4] = 0x03;
        EXPECT_EQ(d, sim::factoryDefaults(0x0405));
    }
}

TEST_F(SimSensorTest, NewSensorWorksWithItsFactoryDefaultsWhichAreAlsoItsUserDefaults)
{
    const sim::DeviceId old = sim.plugSensor(0x0410, 7);
    const sim::VirtualSensor& s = sim.sensor(old);
    EXPECT_EQ(s.FwVersion, 0x0410);
    EXPECT_EQ(s.Luid, 7);
    EXPECT_EQ(s.Config, sim::factoryDefaults(0x0410));
    EXPECT_EQ(s.FactoryDefaults, s.Config);
    EXPECT_EQ(s.UserDefaults, s.Config);
    EXPECT_EQ(s.PendingMask, 0);
    EXPECT_FALSE(s.KeySendsHalted);
}

// The three stored-configuration commands: what each leaves in Config and UserDefaults.
TEST_F(SimSensorTest, StoredConfigurationCommandsMoveTheWholeConfiguration)
{
    const sim::SensorHalves working = distinctHalves(0x40);
    const sim::SensorHalves stored = distinctHalves(0x80);
    const struct {
        std::uint8_t Code;
        sim::SensorHalves Config;
        sim::SensorHalves UserDefaults;
    } cases[] = {
        {0xA0, sensor.FactoryDefaults, stored},
        {0xD0, stored, stored},
        {0xE0, working, working},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.Code));
        sensor.Config = working;
        sensor.UserDefaults = stored;
        writeExchange(0x80, 0, {1, 2, 3, 4, 5, 6, 7, 8});
        ASSERT_TRUE(command(c.Code));
        EXPECT_EQ(sensor.Config, c.Config);
        EXPECT_EQ(sensor.UserDefaults, c.UserDefaults);
        EXPECT_EQ(sensor.PendingMask, 0);
        EXPECT_EQ(sensor.PendingHalves, 0);
        sim.sleepMs(2000);
        // The dropped pending half is not brought back by a later commit.
        ASSERT_TRUE(command(0x90, 0x01));
        EXPECT_EQ(sensor.Config, c.Config);
    }
}

TEST_F(SimSensorTest, FactoryResetRestoresTheFirmwaresDefaults)
{
    const sim::DeviceId fw400 = sim.plugSensor(0x0400);
    const platform::Handle h = sim.open(sim.pathOf(fw400));
    sim.sensor(fw400).Config = distinctHalves(0x50);
    ASSERT_TRUE(send(report({0xA0}), h));
    EXPECT_EQ(sim.sensor(fw400).Config, sim::factoryDefaults(0x0400));
    EXPECT_EQ(sim.sensor(fw400).Config[HalfId::Idle][4], 0x03);
}

TEST_F(SimSensorTest, SensorIsBusyForTwoSecondsAfterStoredConfigurationCommands)
{
    for (std::uint8_t code : {0xA0, 0xD0, 0xE0}) {
        SCOPED_TRACE(int(code));
        ASSERT_TRUE(command(code));
        sim.sleepMs(1999);
        EXPECT_FALSE(command(0x80));
        EXPECT_FALSE(read(handle).first);
        sim.sleepMs(1);
        EXPECT_EQ(payloadOf(readExchange(0x80)), sensor.Config[HalfId::Sonar]);
    }
}

TEST_F(SimSensorTest, HaltAndResumeKeySends)
{
    ASSERT_TRUE(command(0xB1));
    EXPECT_TRUE(sensor.KeySendsHalted);
    ASSERT_TRUE(command(0xB1));
    EXPECT_TRUE(sensor.KeySendsHalted);
    ASSERT_TRUE(command(0xB0));
    EXPECT_FALSE(sensor.KeySendsHalted);
    // Neither keeps the sensor busy.
    EXPECT_TRUE(command(0x80));
}

TEST(SimTarget, InchesBecomeSensorUnitsRoundedAndClamped)
{
    const struct {
        double Inches;
        std::uint8_t Raw;
    } cases[] = {{0, 0}, {1, 3}, {14, 49}, {29, 101}, {42, 146}, {72, 250}, {73.4, 255}, {100, 255}, {-3, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Inches);
        sim::VirtualSensor s;
        s.setTargetInches(c.Inches);
        EXPECT_EQ(s.TargetRaw, c.Raw);
    }
}

TEST_F(SimSensorTest, RangeAnswersInRangeFlagAndRawDistance)
{
    // Factory window: 49 to 146 sensor units.
    const struct {
        std::uint8_t Raw;
        std::uint8_t Flags;
    } cases[] = {{48, 0}, {49, 1}, {100, 1}, {146, 1}, {147, 0}, {0, 0}, {255, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.Raw));
        sensor.TargetRaw = c.Raw;
        EXPECT_EQ(sensor.targetInRange(), c.Flags == 1);
        EXPECT_EQ(readExchange(0x8F), report({c.Flags, c.Raw, 0, 0, 0, 0, 0, 0}));
    }
}

TEST_F(SimSensorTest, RangeWindowFollowsTheCommittedSonarHalf)
{
    sensor.TargetRaw = 30;
    EXPECT_EQ(readExchange(0x8F)[1], 0);
    writeExchange(0x80, 0, {0, 125, 8, 20, 40, 5, 2, 0});
    EXPECT_EQ(readExchange(0x8F)[1], 0);  // written, not yet committed
    ASSERT_TRUE(command(0x90, 0x01));
    EXPECT_EQ(readExchange(0x8F)[1], 1);
}

TEST_F(SimSensorTest, SensorWithoutExtensionSetsFailsEveryTransferOfTheirExchanges)
{
    sensor.ExtensionSetsSupported = false;
    const sim::SensorHalves before = sensor.Config;
    for (std::uint8_t sub : {0x08, 0x09, 0x0A, 0x0B}) {
        SCOPED_TRACE(int(sub));
        EXPECT_FALSE(command(0x8B, sub));
        sim.sleepMs(250);
        EXPECT_FALSE(read(handle).first);
        EXPECT_FALSE(command(0x8B, sub));
        sim.sleepMs(250);
        EXPECT_FALSE(send(report({1, 2, 3, 4, 5, 6, 7, 8})));
        EXPECT_TRUE(command(0x90, 0x1E));
    }
    EXPECT_EQ(sensor.Config, before);
    EXPECT_EQ(sensor.PendingMask, 0);
    // The base blocks still travel.
    EXPECT_EQ(payloadOf(readExchange(0x81)), before[HalfId::WalkAway1]);
}

TEST_F(SimSensorTest, ReportsWithAnotherIdOrLengthFail)
{
    Report withId = report({0x80});
    withId[0] = 1;
    EXPECT_FALSE(send(withId));
    const std::uint8_t shortReport[8] = {0, 0x80};
    EXPECT_FALSE(sim.setFeature(handle, shortReport));
    std::uint8_t longReport[10] = {};
    EXPECT_FALSE(sim.getFeature(handle, longReport));
}

}  // namespace
