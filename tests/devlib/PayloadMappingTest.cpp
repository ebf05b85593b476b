// How every field of the six blocks maps onto the data bytes, in both
// directions, and what a write followed by a read gives back.

#include "DevLibTest.h"

namespace devlib_test {
namespace {

using sim::HalfId;

constexpr std::uint8_t kSensorReservedWU = 0xA5;
constexpr std::uint8_t kSensorReservedI = 0xC3;

// Blocks with upper bytes set, steps that do not divide evenly and reserved
// words that differ from what the sensor holds.
Blocks sampleBlocks()
{
    Blocks b;
    b.Sonar = {{0x1FF, 1018, 0x1A7, 14, 72, 0x305, 0x0102, 0xFF07}};
    b.WalkAway = {{6, 100, 0x1E1, 0x102, 0x203, 0x304, 0x405, 0x506, 0xF3, 0x20A, 0x1004, 0x2005, 0x06, 0x07,
                   0x08, 0x09}};
    b.WalkUp = {
        {5, 16320, 0x111, 0x12, 0x13, 0x14, 0x15, 0x16, 0x1F1, 0x77, 0x121, 0x22, 0x23, 0x24, 0x25, 0x26}};
    b.WalkAwayEx = {
        {7, 0x131, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0xFE, 0x141, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47}};
    b.WalkUpEx = {
        {3, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x157, 0x2C, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x167}};
    b.Idle = {{0xAB, 0x1F0, 0x01, 0x1E, 0x103, 0x22, 0x3C, 0x10A}};
    return b;
}

class PayloadMappingTest : public DevLibTest {
protected:
    // Opens a sensor whose reserved bytes carry upper bits, so the library's
    // last-read copies are known.
    sim::DeviceId openSensorWithReservedBytes()
    {
        const sim::DeviceId id = sim.plugSensor(0x0412);
        sensor(id).Config[HalfId::WalkUp2][1] = kSensorReservedWU;
        sensor(id).Config[HalfId::Idle][0] = kSensorReservedI;
        EXPECT_EQ(OpenSensors(nullptr), 1);
        sim.clearTranscript();
        return id;
    }
};

TEST_F(PayloadMappingTest, WriteSendsEveryFieldAsMapped)
{
    openSensorWithReservedBytes();
    ASSERT_TRUE(sampleBlocks().store());

    EXPECT_EQ(WriteDevConfig(), 1);

    // clang-format off
    EXPECT_EQ(wire(), Wire()
        // LED flags without bit 7, 1018 ms as 254 steps, 14 in = 49 and 72 in = 250 units, low bytes
        .writeExchange(0x80, 0, {0x7F, 0xFE, 0xA7, 0x31, 0xFA, 0x05, 0x02, 0x07})
        // key count, 100 ms as one 64 ms step, modifiers
        .writeExchange(0x81, 0, {0x06, 0x01, 0xE1, 0x02, 0x03, 0x04, 0x05, 0x06})
        // flags in four bits, fault send rate, key codes
        .writeExchange(0x82, 0, {0x03, 0x0A, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09})
        .writeExchange(0x83, 0, {0x05, 0xFF, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16})
        // the reserved byte as last read from the sensor, not the word
        .writeExchange(0x84, 0, {0x01, kSensorReservedWU, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26})
        .writeExchange(0x8B, 0x08, {0x07, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37})
        .writeExchange(0x8B, 0x09, {0x0E, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47})
        .writeExchange(0x8B, 0x0A, {0x03, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57})
        .writeExchange(0x8B, 0x0B, {0x0C, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67})
        // the low four bits of the reserved byte as last read, not the word
        .writeExchange(0x85, 0, {0x03, 0xF0, 0x01, 0x1E, 0x03, 0x22, 0x3C, 0x0A})
        .set(commandReport(0x90, 0x3F))
        .lines());
    // clang-format on
}

TEST_F(PayloadMappingTest, ReadStoresEveryByteAsMappedAndSanitisesTheBlocks)
{
    const sim::DeviceId id = openSensorWithReservedBytes();
    sim::SensorHalves& c = sensor(id).Config;
    c[HalfId::Sonar] = {0xFF, 0x31, 0xA7, 0x00, 0xFF, 0x05, 0x02, 0x07};
    c[HalfId::WalkAway1] = {0x0F, 0x00, 0xE1, 0x02, 0x03, 0x04, 0x05, 0x06};
    c[HalfId::WalkAway2] = {0xFF, 0x0A, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
    c[HalfId::WalkUp1] = {0x16, 0xFF, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16};
    c[HalfId::WalkUp2] = {0xF1, 0x5B, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26};
    c[HalfId::WalkAwayEx1] = {0xFF, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37};
    c[HalfId::WalkAwayEx2] = {0xFE, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47};
    c[HalfId::WalkUpEx1] = {0x23, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57};
    c[HalfId::WalkUpEx2] = {0x0C, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67};
    c[HalfId::Idle] = {0xE7, 0xF0, 0x01, 0x1E, 0x03, 0x22, 0x3C, 0x0A};
    sensor(id).Luid = 0x9A01;
    sensor(id).FwVersion = 0x0415;

    ASSERT_EQ(ReadDevConfig(), 1);
    Blocks read;
    ASSERT_TRUE(read.fetch());

    Blocks expected;
    // LED bit 7 dropped; 196 ms raised to 200; 0 units is 0 in, raised to 1; 255 units is 73 in, lowered to
    // 72
    expected.Sonar = {{0x7F, 200, 0xA7, 1, 72, 0x05, 0x02, 0x07}};
    // a key count of 15 becomes 0; a delay of 0 becomes 64; flags keep all eight bits
    expected.WalkAway = {
        {0, 64, 0xE1, 0x02, 0x03, 0x04, 0x05, 0x06, 0xFF, 0x0A, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09}};
    expected.WalkUp = {
        {6, 16320, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0xF1, 0x5B, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26}};
    // extension key counts are masked, and one above 7 becomes 0
    expected.WalkAwayEx = {
        {0, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0xFE, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47}};
    expected.WalkUpEx = {
        {3, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x0C, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67}};
    expected.Idle = {{0xE7, 0xF0, 0x01, 0x1E, 0x03, 0x22, 0x3C, 0x0A}};
    EXPECT_EQ(read, expected);
    EXPECT_EQ(LibState().Slots[LibState().CurrentSlot].LastReservedWU, 0x5B);
    EXPECT_EQ(LibState().Slots[LibState().CurrentSlot].LastReservedI, 0xE7);
    EXPECT_EQ(GetDevLuid(), 0x9A01);
    EXPECT_EQ(GetDevFwVersion(), 0x0415);
}

// An unprogrammed extension set can report any count up to 15; what the
// library reads back it must accept again, or every later store of the set fails.
TEST_F(PayloadMappingTest, ExtensionKeyCountsAboveSevenReadAsNoKeys)
{
    const sim::DeviceId id = openSensor();
    for (std::uint8_t count = 0; count <= 0x0F; ++count) {
        SCOPED_TRACE(int{count});
        sensor(id).Config[HalfId::WalkAwayEx1][0] = count;
        sensor(id).Config[HalfId::WalkUpEx1][0] = static_cast<std::uint8_t>(0xF0 | count);
        ASSERT_EQ(ReadDevConfig(), 1);
        const std::uint16_t expected = count <= 7 ? count : 0;
        EXPECT_EQ(slot().WalkAwayEx[KeyCountWAEx], expected);
        EXPECT_EQ(slot().WalkUpEx[KeyCountWUEx], expected);
        EXPECT_EQ(slot().WalkAwayEx[Key1ModsWAEx], sensor(id).Config[HalfId::WalkAwayEx1][1]) << "keys stay";
        const tsWalkAwayParmsEx walkAwayEx = slot().WalkAwayEx;
        const tsWalkUpParmsEx walkUpEx = slot().WalkUpEx;
        EXPECT_EQ(SetWalkAwayParmsEx(&walkAwayEx), 1);
        EXPECT_EQ(SetWalkUpParmsEx(&walkUpEx), 1);
    }
}

TEST_F(PayloadMappingTest, WriteThenReadGivesBackEveryFieldAsMapped)
{
    const sim::DeviceId id = openSensorWithReservedBytes();
    ASSERT_TRUE(sampleBlocks().store());
    ASSERT_EQ(WriteDevConfig(), 1);
    EXPECT_EQ(sensor(id).PendingMask, 0) << "everything written was committed";

    ASSERT_EQ(ReadDevConfig(), 1);
    Blocks read;
    ASSERT_TRUE(read.fetch());

    Blocks expected;
    expected.Sonar = {{0x7F, 1016, 0xA7, 14, 72, 0x05, 0x02, 0x07}};
    expected.WalkAway = {
        {6, 64, 0xE1, 0x02, 0x03, 0x04, 0x05, 0x06, 0x03, 0x0A, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09}};
    expected.WalkUp = {{5, 16320, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x01, kSensorReservedWU, 0x21, 0x22,
                        0x23, 0x24, 0x25, 0x26}};
    expected.WalkAwayEx = {
        {7, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x0E, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47}};
    expected.WalkUpEx = {
        {3, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x0C, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67}};
    expected.Idle = {{kSensorReservedI & 0x0F, 0xF0, 0x01, 0x1E, 0x03, 0x22, 0x3C, 0x0A}};
    EXPECT_EQ(read, expected);
}

// Each sensor's reserved bytes are its own: another sensor read after it does
// not put its bytes into this sensor's write.
TEST_F(PayloadMappingTest, ReservedBytesTravelAsLastReadFromTheSameSensor)
{
    const sim::DeviceId first = sim.plugSensor();
    const sim::DeviceId second = sim.plugSensor();
    sensor(first).Config[HalfId::WalkUp2][1] = 0x11;
    sensor(second).Config[HalfId::WalkUp2][1] = 0x22;
    ASSERT_EQ(OpenSensors(nullptr), 1);  // reads slot 0, then slot 1 last
    tsWalkUpParms walkUp{};
    ASSERT_EQ(GetWalkUpParms(&walkUp), 1);
    EXPECT_EQ(walkUp[Reserved2WU], 0x11);
    ASSERT_EQ(SetWalkUpParms(&walkUp), 1);
    sim.clearTranscript();

    ASSERT_EQ(WriteDevConfig(), 1);

    ASSERT_GE(wire().size(), 4u);
    EXPECT_EQ(wire()[3], "+500 set 00 00 11 00 00 00 00 00 00");
}

}  // namespace
}  // namespace devlib_test
