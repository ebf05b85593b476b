// The unit conversions over their whole ranges: ping rate in 4 ms steps,
// inter-key delays in 64 ms steps, distances in sensor units (3.472222 per
// inch, rounded half up), and range bytes.

#include <algorithm>

#include "DevLibTest.h"
#include "devlib/DevLibInternal.h"

namespace devlib_test {
namespace {

using sim::HalfId;

// The rounding done with integers: 3.472222 units are 3472222 millionths.
std::uint16_t expectedInches(unsigned units)
{
    return static_cast<std::uint16_t>((units * 1000000u + 1736111u) / 3472222u);
}

std::uint8_t expectedUnits(unsigned inches)
{
    return static_cast<std::uint8_t>((inches * 3472222u + 500000u) / 1000000u);
}

class ConversionTest : public DevLibTest {
protected:
    // Stores one changed word of the sonar block, writes it and returns the
    // data report the sensor received.
    sim::Half writeSonarWord(std::size_t word, std::uint16_t value)
    {
        tsSonarParms sonar{};
        EXPECT_EQ(GetSonarParms(&sonar), 1);
        sonar[word] = value;
        EXPECT_EQ(SetSonarParms(&sonar), 1) << value;
        EXPECT_EQ(WriteDevConfig(), 1);
        return sensor(id_).Config[HalfId::Sonar];
    }

    tsSonarParms readSonar()
    {
        sim.clearTranscript();
        EXPECT_EQ(ReadDevConfig(), 1);
        tsSonarParms sonar{};
        EXPECT_EQ(GetSonarParms(&sonar), 1);
        return sonar;
    }

    void SetUp() override
    {
        DevLibTest::SetUp();
        id_ = openSensor();
    }

    sim::DeviceId id_ = 0;
};

TEST_F(ConversionTest, ReferenceDistances)
{
    EXPECT_EQ(devlib::inchesToSensorUnits(72), 250);
    EXPECT_EQ(devlib::inchesToSensorUnits(14), 49);
    EXPECT_EQ(devlib::inchesToSensorUnits(1), 3);
    EXPECT_EQ(devlib::sensorUnitsToInches(100), 29);
    EXPECT_EQ(devlib::sensorUnitsToInches(250), 72);
    EXPECT_EQ(devlib::sensorUnitsToInches(255), 73);
}

TEST_F(ConversionTest, EveryDistanceFromZeroTo72InchesSurvivesARoundTrip)
{
    for (unsigned inches = 0; inches <= 72; ++inches) {
        EXPECT_EQ(devlib::inchesToSensorUnits(static_cast<std::uint16_t>(inches)), expectedUnits(inches))
            << inches;
        EXPECT_EQ(
            devlib::sensorUnitsToInches(devlib::inchesToSensorUnits(static_cast<std::uint16_t>(inches))),
            inches);
    }
}

TEST_F(ConversionTest, EveryStorableDistanceTravelsAndComesBack)
{
    for (std::uint16_t inches = 1; inches <= 72; ++inches) {
        const std::size_t word = inches <= 59 ? MinDistS : MaxDistS;
        const sim::Half sent = writeSonarWord(word, inches);
        EXPECT_EQ(sent[word], expectedUnits(inches)) << inches;
        EXPECT_EQ(readSonar()[word], inches);
    }
}

TEST_F(ConversionTest, EverySensorDistanceValueReadsBackClampedToItsRange)
{
    for (unsigned units = 0; units <= 255; ++units) {
        sensor(id_).Config[HalfId::Sonar][MinDistS] = static_cast<std::uint8_t>(units);
        sensor(id_).Config[HalfId::Sonar][MaxDistS] = static_cast<std::uint8_t>(units);
        const tsSonarParms sonar = readSonar();
        const std::uint16_t inches = expectedInches(units);
        EXPECT_EQ(sonar[MinDistS], std::clamp<std::uint16_t>(inches, 1, 59)) << units;
        EXPECT_EQ(sonar[MaxDistS], std::clamp<std::uint16_t>(inches, 15, 72)) << units;
    }
    sensor(id_).Config[HalfId::Sonar][MinDistS] = 255;
    EXPECT_EQ(expectedInches(255), 73);
    EXPECT_EQ(readSonar()[MinDistS], 59);
}

TEST_F(ConversionTest, EveryPingRateTravelsIn4MsStepsAndReadsBackTruncated)
{
    for (std::uint16_t rate = 200; rate <= 1020; ++rate) {
        EXPECT_EQ(writeSonarWord(PingRateS, rate)[PingRateS], rate / 4) << rate;
        EXPECT_EQ(readSonar()[PingRateS], rate - rate % 4) << rate;
    }
}

TEST_F(ConversionTest, EverySensorPingStepReadsBackClampedToItsRange)
{
    for (unsigned step = 0; step <= 255; ++step) {
        sensor(id_).Config[HalfId::Sonar][PingRateS] = static_cast<std::uint8_t>(step);
        EXPECT_EQ(readSonar()[PingRateS], std::clamp<unsigned>(step * 4, 200, 1020)) << step;
    }
}

TEST_F(ConversionTest, EveryInterKeyDelayTravelsIn64MsSteps)
{
    tsWalkAwayParms walkAway{};
    ASSERT_EQ(GetWalkAwayParms(&walkAway), 1);
    for (std::uint16_t delay = 64; delay <= 16320; ++delay) {
        walkAway[InterKeyDelayWA] = delay;
        ASSERT_EQ(SetWalkAwayParms(&walkAway), 1) << delay;
        ASSERT_EQ(WriteDevConfig(), 1);
        ASSERT_EQ(sensor(id_).Config[HalfId::WalkAway1][1], delay / 64) << delay;
        sim.clearTranscript();
    }
}

TEST_F(ConversionTest, EverySensorDelayStepReadsBackAtLeast64Ms)
{
    for (unsigned step = 0; step <= 255; ++step) {
        sensor(id_).Config[HalfId::WalkAway1][1] = static_cast<std::uint8_t>(step);
        sensor(id_).Config[HalfId::WalkUp1][1] = static_cast<std::uint8_t>(step);
        ASSERT_EQ(ReadDevConfig(), 1);
        Blocks read;
        ASSERT_TRUE(read.fetch());
        EXPECT_EQ(read.WalkAway[InterKeyDelayWA], std::max(64u, step * 64)) << step;
        EXPECT_EQ(read.WalkUp[InterKeyDelayWU], std::max(64u, step * 64)) << step;
        sim.clearTranscript();
    }
}

TEST_F(ConversionTest, EveryRangeByteReadsAsWholeInches)
{
    tsRangeInfo info{};
    for (unsigned units = 0; units <= 255; ++units) {
        sensor(id_).TargetRaw = static_cast<std::uint8_t>(units);
        ASSERT_EQ(GetRangeInfo(&info), 1);
        EXPECT_EQ(info.Distance, expectedInches(units)) << units;
        sim.clearTranscript();
    }
    for (auto [units, inches] : {std::pair{100, 29}, {250, 72}, {255, 73}}) {
        sensor(id_).TargetRaw = static_cast<std::uint8_t>(units);
        ASSERT_EQ(GetRangeInfo(&info), 1);
        EXPECT_EQ(info.Distance, inches) << units;
    }
}

}  // namespace
}  // namespace devlib_test
