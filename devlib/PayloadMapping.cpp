// How each block half and the device info map onto the eight data bytes of a
// report. A data byte dk carries the low byte of word k - 1 of the half unless
// a field has its own mapping: masks, 4 ms and 64 ms steps, distances in
// sensor units, and the reserved bytes that always travel as last read.

#include <cmath>
#include <span>

#include "DevLibInternal.h"

namespace devlib {

namespace {

constexpr double kUnitsPerInch = 3.472222;
constexpr unsigned kPingRateStepMs = 4;
constexpr unsigned kInterKeyDelayStepMs = 64;

// Words [first, first + 8) of a block as the low bytes d1 to d8. It takes the
// words, not the block: one function for every block size, as the compiler
// would merge per-block copies of it and then judge one block's reads by the
// bounds of another.
Payload lowBytes(std::span<const std::uint16_t> words, std::size_t first)
{
    Payload data{};
    for (std::size_t k = 0; k < data.size(); ++k)
        data[k] = static_cast<std::uint8_t>(words[first + k] & 0xFF);
    return data;
}

// d1 to d8 zero-extended into words [first, first + 8) of a block.
template <class Block>
void storeBytes(Block& block, std::size_t first, const Payload& data)
{
    for (std::size_t k = 0; k < data.size(); ++k) block[first + k] = data[k];
}

std::uint8_t byteOf(unsigned value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

Payload encodeSonar(const tsSonarParms& sonar)
{
    Payload data = lowBytes(sonar.Words, 0);
    data[LEDFlagsS] = byteOf(sonar[LEDFlagsS] & 0x7F);
    data[PingRateS] = byteOf(sonar[PingRateS] / kPingRateStepMs);
    data[MinDistS] = inchesToSensorUnits(sonar[MinDistS]);
    data[MaxDistS] = inchesToSensorUnits(sonar[MaxDistS]);
    return data;
}

void decodeSonar(const Payload& data, tsSonarParms& sonar)
{
    storeBytes(sonar, 0, data);
    sonar[LEDFlagsS] = data[LEDFlagsS] & 0x7F;
    sonar[PingRateS] = static_cast<std::uint16_t>(data[PingRateS] * kPingRateStepMs);
    sonar[MinDistS] = sensorUnitsToInches(data[MinDistS]);
    sonar[MaxDistS] = sensorUnitsToInches(data[MaxDistS]);
}

// First half of a base key sequence: key count, inter-key delay, Key1Mods to Key6Mods.
template <class Block>
Payload encodeSequenceStart(const Block& block)
{
    Payload data = lowBytes(block.Words, 0);
    data[0] = byteOf(block[0] & 0x0F);
    data[1] = byteOf(block[1] / kInterKeyDelayStepMs);
    return data;
}

template <class Block>
void decodeSequenceStart(const Payload& data, Block& block)
{
    storeBytes(block, 0, data);
    block[0] = data[0] & 0x0F;
    block[1] = static_cast<std::uint16_t>(data[1] * kInterKeyDelayStepMs);
}

// A half that opens with a four-bit field (a key count, or flags) and carries
// plain bytes after it. Flags come back with all eight bits, key counts masked.
template <class Block>
Payload encodeMaskedFirst(const Block& block, std::size_t first)
{
    Payload data = lowBytes(block.Words, first);
    data[0] = byteOf(block[first] & 0x0F);
    return data;
}

Payload encodeWalkUpEnd(const tsDevSlot& slot)
{
    Payload data = encodeMaskedFirst(slot.WalkUp, Flags0WU);
    data[Reserved2WU - Flags0WU] = slot.LastReservedWU;
    return data;
}

void decodeWalkUpEnd(const Payload& data, tsDevSlot& slot)
{
    storeBytes(slot.WalkUp, Flags0WU, data);
    slot.LastReservedWU = data[Reserved2WU - Flags0WU];
}

template <class Block>
void decodeExtensionStart(const Payload& data, Block& block)
{
    storeBytes(block, 0, data);
    block[0] = data[0] & 0x0F;
}

Payload encodeIdle(const tsDevSlot& slot)
{
    Payload data = lowBytes(slot.Idle.Words, 0);
    data[Reserved1I] = byteOf(slot.LastReservedI & 0x0F);
    return data;
}

void decodeIdle(const Payload& data, tsDevSlot& slot)
{
    storeBytes(slot.Idle, 0, data);
    slot.LastReservedI = data[Reserved1I];
}

}  // namespace

HalfCommand commandOf(Half half)
{
    switch (half) {
        case Half::Sonar:
            return {0x80, 0x00, 0x01};
        case Half::WalkAway1:
            return {0x81, 0x00, 0x02};
        case Half::WalkAway2:
            return {0x82, 0x00, 0x04};
        case Half::WalkUp1:
            return {0x83, 0x00, 0x08};
        case Half::WalkUp2:
            return {0x84, 0x00, 0x10};
        case Half::WalkAwayEx1:
            return {0x8B, 0x08, 0x02};
        case Half::WalkAwayEx2:
            return {0x8B, 0x09, 0x04};
        case Half::WalkUpEx1:
            return {0x8B, 0x0A, 0x08};
        case Half::WalkUpEx2:
            return {0x8B, 0x0B, 0x10};
        case Half::Idle:
            return {0x85, 0x00, 0x20};
    }
    return {};
}

Payload encodeHalf(Half half, const tsDevSlot& slot)
{
    switch (half) {
        case Half::Sonar:
            return encodeSonar(slot.Sonar);
        case Half::WalkAway1:
            return encodeSequenceStart(slot.WalkAway);
        case Half::WalkAway2:
            return encodeMaskedFirst(slot.WalkAway, Flags0WA);
        case Half::WalkUp1:
            return encodeSequenceStart(slot.WalkUp);
        case Half::WalkUp2:
            return encodeWalkUpEnd(slot);
        case Half::WalkAwayEx1:
            return encodeMaskedFirst(slot.WalkAwayEx, KeyCountWAEx);
        case Half::WalkAwayEx2:
            return encodeMaskedFirst(slot.WalkAwayEx, Flags0WAEx);
        case Half::WalkUpEx1:
            return encodeMaskedFirst(slot.WalkUpEx, KeyCountWUEx);
        case Half::WalkUpEx2:
            return encodeMaskedFirst(slot.WalkUpEx, Flags0WUEx);
        case Half::Idle:
            return encodeIdle(slot);
    }
    return {};
}

void decodeHalf(Half half, const Payload& data, tsDevSlot& slot)
{
    switch (half) {
        case Half::Sonar:
            return decodeSonar(data, slot.Sonar);
        case Half::WalkAway1:
            return decodeSequenceStart(data, slot.WalkAway);
        case Half::WalkAway2:
            return storeBytes(slot.WalkAway, Flags0WA, data);
        case Half::WalkUp1:
            return decodeSequenceStart(data, slot.WalkUp);
        case Half::WalkUp2:
            return decodeWalkUpEnd(data, slot);
        case Half::WalkAwayEx1:
            return decodeExtensionStart(data, slot.WalkAwayEx);
        case Half::WalkAwayEx2:
            return storeBytes(slot.WalkAwayEx, Flags0WAEx, data);
        case Half::WalkUpEx1:
            return decodeExtensionStart(data, slot.WalkUpEx);
        case Half::WalkUpEx2:
            return storeBytes(slot.WalkUpEx, Flags0WUEx, data);
        case Half::Idle:
            return decodeIdle(data, slot);
    }
}

// The LUID is written one byte further on than the info report carries it.
Payload encodeLuid(std::uint16_t luid)
{
    Payload data{};
    data[1] = byteOf(luid);
    data[2] = byteOf(luid >> 8);
    return data;
}

void decodeInfo(const Payload& data, tsDevSlot& slot)
{
    slot.Luid = static_cast<std::uint16_t>(data[0] | data[1] << 8);
    slot.FwVersion = static_cast<std::uint16_t>(data[2] | data[3] << 8);
}

std::uint16_t sensorUnitsToInches(std::uint8_t units)
{
    return static_cast<std::uint16_t>(std::floor(units / kUnitsPerInch + 0.5));
}

std::uint8_t inchesToSensorUnits(std::uint16_t inches)
{
    return byteOf(static_cast<unsigned>(std::floor(inches * kUnitsPerInch + 0.5)));
}

}  // namespace devlib
