// tolvanectl run in this process on a sensor that keeps another ping rate than
// the one written: the read-back after set finds it and fails, naming the
// setting; --no-verify does not look.

#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "TolvanectlProcess.h"
#include "cli/Tolvanectl.h"
#include "platform/ForwardingPlatform.h"
#include "platform/sim/SimPlatform.h"

namespace {

struct SimSensor {
    sim::SimPlatform Sim;
};

// A virtual sensor that stores the sonar block's ping rate one 4 ms step
// above what it is sent.
class SensorKeepingAnotherPingRate : private SimSensor, public platform::ForwardingPlatform {
public:
    SensorKeepingAnotherPingRate() : ForwardingPlatform(Sim) { Sim.plugSensor(0x0405, 1); }

    bool getFeature(platform::Handle handle, std::span<std::uint8_t> report) override
    {
        dataFollows_ = false;
        return ForwardingPlatform::getFeature(handle, report);
    }

    bool setFeature(platform::Handle handle, std::span<const std::uint8_t> report) override
    {
        std::array<std::uint8_t, 9> sent{};
        std::ranges::copy(report.first(sent.size()), sent.begin());
        if (dataFollows_) {
            if (command_ == 0x80) ++sent[2];  // d2: the ping rate in 4 ms steps
            dataFollows_ = false;
        } else {
            command_ = sent[1];
            dataFollows_ = (command_ >= 0x80 && command_ <= 0x85) || command_ == 0x8A || command_ == 0x8B;
        }
        return ForwardingPlatform::setFeature(handle, sent);
    }

private:
    std::uint8_t command_ = 0;
    bool dataFollows_ = false;
};

ProcessResult RunOnAlteringSensor(std::vector<std::string> args)
{
    args.insert(args.begin(), "tolvanectl");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = cli::RunTolvanectl(static_cast<int>(argv.size()), argv.data(),
                                          [] { return std::make_unique<SensorKeepingAnotherPingRate>(); });
    std::string out = testing::internal::GetCapturedStdout();
    return {status, out, testing::internal::GetCapturedStderr()};
}

TEST(TolvanectlReadBack, ADifferenceIsAFailureNamingTheSetting)
{
    const ProcessResult run = RunOnAlteringSensor({"--wait", "0", "set", "ping-rate=600", "dead-target=off"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(
        run.Err,
        "tolvanectl: sensor 1 (sim1): read back: ping-rate: written 600, the sensor holds 604\n"
        "tolvanectl: sensor 1 (sim1): written: Sonar, Idle; the sensor does not hold what was written\n");
}

TEST(TolvanectlReadBack, NoVerifyDoesNotLook)
{
    const ProcessResult run = RunOnAlteringSensor({"--wait", "0", "set", "--no-verify", "ping-rate=600"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "ping-rate=600\n");
}

}  // namespace
