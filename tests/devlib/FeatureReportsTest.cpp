// The raw feature transfers of the current slot and the status codes they leave.

#include <ostream>

#include "DevLibTest.h"

namespace devlib_test {
namespace {

using FeatureReportsTest = DevLibTest;

enum class Setting { EmptyTable, MissingEntryPoint, TransferFails };

struct TransferCase {
    const char* Name;
    Setting When;
    bool Read;
    std::uint32_t Status;
};

void PrintTo(const TransferCase& c, std::ostream* os)
{
    *os << c.Name;
}

class FeatureTransferCodes : public DevLibTest, public ::testing::WithParamInterface<TransferCase> {};

TEST_P(FeatureTransferCodes, FailureReplacesTheStatusWord)
{
    const TransferCase& c = GetParam();
    if (c.When == Setting::EmptyTable) {
        ASSERT_EQ(BindHidLib(), 1);
    } else {
        openSensor();
    }
    if (c.When == Setting::MissingEntryPoint) {
        LibState().Hid.GetFeature = false;
        LibState().Hid.SetFeature = false;
    }
    if (c.When == Setting::TransferFails) sim.failTransfer(1);
    slot(0).Status = 0x00FF0000;

    Report report = commandReport(0x8A);
    const int result = c.Read ? GetFeatureRpt(report.data()) : SetFeatureRpt(report.data());

    EXPECT_EQ(result, 0);
    EXPECT_EQ(GetDevStatus(), c.Status);
    EXPECT_EQ(sim.transcript().size(), c.When == Setting::TransferFails ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCode, FeatureTransferCodes,
    ::testing::Values(TransferCase{"ReadNoHandle", Setting::EmptyTable, true, 0x100},
                      TransferCase{"ReadNoEntryPoint", Setting::MissingEntryPoint, true, 0x101},
                      TransferCase{"ReadFailed", Setting::TransferFails, true, 0x102},
                      TransferCase{"SendNoHandle", Setting::EmptyTable, false, 0x200},
                      TransferCase{"SendNoEntryPoint", Setting::MissingEntryPoint, false, 0x201},
                      TransferCase{"SendFailed", Setting::TransferFails, false, 0x202}),
    [](const auto& instance) { return std::string(instance.param.Name); });

TEST_F(FeatureReportsTest, UnboundLibraryFailsWithoutACode)
{
    openSensor();
    CloseAllDevices();
    slot(0).Status = 0x00FF0000;

    Report report = commandReport(0x8A);
    EXPECT_EQ(GetFeatureRpt(report.data()), 0);
    EXPECT_EQ(SetFeatureRpt(report.data()), 0);

    EXPECT_EQ(GetDevStatus(), 0x00FF0000u);
    EXPECT_TRUE(sim.transcript().empty());
}

TEST_F(FeatureReportsTest, SuccessLeavesTheStatusWordAndWaitsForNothing)
{
    const sim::DeviceId id = openSensor();
    slot(0).Status = 0x00FF0000;
    const std::uint64_t start = sim.nowMs();

    Report report = commandReport(0xB1);
    EXPECT_EQ(SetFeatureRpt(report.data()), 1);
    Report answer{};
    EXPECT_EQ(GetFeatureRpt(answer.data()), 1);

    EXPECT_EQ(GetDevStatus(), 0x00FF0000u);
    EXPECT_EQ(sim.nowMs(), start);
    EXPECT_TRUE(sensor(id).KeySendsHalted);
    EXPECT_EQ(wire(), (std::vector<std::string>{"+0 set 00 b1 00 00 00 00 00 00 00",
                                                "+0 get 00 00 00 00 00 00 00 00 00"}));
}

TEST_F(FeatureReportsTest, TransfersActOnTheCurrentSlot)
{
    sim.plugSensor();
    const sim::DeviceId second = sim.plugSensor();
    ASSERT_EQ(OpenSensors(nullptr), 1);
    sim.clearTranscript();
    SelectDev(1);

    Report report = commandReport(0xB1);
    EXPECT_EQ(SetFeatureRpt(report.data()), 1);

    ASSERT_EQ(sim.transcript().size(), 1u);
    EXPECT_EQ(sim.transcript()[0].Path, sim.pathOf(second));
}

}  // namespace
}  // namespace devlib_test
