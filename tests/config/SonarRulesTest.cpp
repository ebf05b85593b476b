// The shared limits and corrections of the Sonar page and tolvanectl, held
// against what the library's store takes.

#include <gtest/gtest.h>

#include <string>

#include "config/ByteLimits.h"
#include "config/DeadTargetDelta.h"
#include "config/DetectionWindow.h"
#include "devlib/DevLib.h"
#include "platform/sim/SimPlatform.h"

namespace {

// Whatever two distances are typed, the corrected window is one the library
// stores: 0/0 and 80/80 included, and numbers far beyond a byte.
TEST(SonarRules, EveryCorrectedDetectionWindowIsStoredByTheLibrary)
{
    sim::SimPlatform sim;
    platform::install(&sim);
    ResetLibState();
    sim.plugSensor(0x0405);
    EnumSensors();
    ASSERT_EQ(ReadDevConfig(), 1);
    tsSonarParms sonar{};
    ASSERT_EQ(GetSonarParms(&sonar), 1);

    const std::uint32_t beyond[] = {255, 256, 300, 65535, 65536, 0xFFFFFFFF};
    std::vector<std::uint32_t> typed;
    for (std::uint32_t n = 0; n <= 100; ++n) typed.push_back(n);
    typed.insert(typed.end(), std::begin(beyond), std::end(beyond));
    for (std::uint32_t min : typed) {
        for (std::uint32_t max : typed) {
            const DetectionWindow window = LimitedDetectionWindow(min, max);
            EXPECT_LT(window.MinInches, window.MaxInches) << min << '/' << max;
            sonar[MinDistS] = static_cast<std::uint16_t>(window.MinInches);
            sonar[MaxDistS] = static_cast<std::uint16_t>(window.MaxInches);
            ASSERT_EQ(SetSonarParms(&sonar), 1)
                << min << '/' << max << " gives " << window.MinInches << '/' << window.MaxInches;
        }
    }
    CloseAllDevices();
    platform::install(nullptr);
}

TEST(SonarRules, OneByteNumbersAreHeldAtTheLimitWithAMessage)
{
    struct Case {
        std::uint32_t Typed;
        std::uint32_t Limit;
        limits::ByteNumber What;
        std::uint32_t Kept;
        std::string Message;
    };
    const Case cases[] = {
        {255, 255, limits::kFaultSendRate, 255, ""},
        {256, 255, limits::kFaultSendRate, 255, "The Maximum MinDist Fault Send Rate is 255 sec!"},
        {300, 255, limits::kPowerUpDelay, 255, "The Maximum Power-up Delay is 255 sec!"},
        {0xFFFFFFFF, 255, limits::kDeadTargetTime, 255, "The Maximum Dead Target Time is 255 sec!"},
        {16, 15, limits::kInRangeDelay, 15, "The Maximum In-Range Detection Delay is 15 sec!"},
        {80, 74, limits::kDeadTargetDelta, 74, "The Maximum Dead Target Delta Distance is 74 inches!"},
        {0, 15, limits::kOutOfRangeDelay, 0, ""},
    };
    for (const Case& c : cases) {
        const limits::HeldNumber held = limits::HoldAtLimit(c.Typed, c.Limit, c.What);
        EXPECT_EQ(held.Value, c.Kept) << c.Typed;
        EXPECT_EQ(held.Message, c.Message) << c.Typed;
    }
}

// The inches a sensor's delta shows as, given again, keep its units; other
// inches are converted.
TEST(SonarRules, DeltaGivenAsShownKeepsTheSensorsUnits)
{
    EXPECT_EQ(sonar::DeltaInchesFromUnits(35), 11u);
    EXPECT_EQ(sonar::DeltaUnitsKeeping(11, 35), 35);
    EXPECT_EQ(sonar::DeltaUnitsKeeping(12, 35), sonar::DeltaUnitsFromInches(12));
    EXPECT_EQ(sonar::DeltaUnitsKeeping(10, 35), sonar::DeltaUnitsFromInches(10));
    EXPECT_EQ(sonar::DeltaUnitsKeeping(74, 255), 255);
}

}  // namespace
