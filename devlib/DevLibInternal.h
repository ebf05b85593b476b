#pragma once

// Pieces shared by the library's own sources: the current slot, the report
// exchanges on which every sensor operation rests, and the payload mapping of
// the block halves. Not part of the library's interface.

#include <array>
#include <cstdint>
#include <memory>

#include "DevLib.h"

namespace devlib {

using Report = std::array<std::uint8_t, kFeatureReportLength>;
// Bytes 1 to 8 of a report: d1 to d8.
using Payload = std::array<std::uint8_t, 8>;

inline constexpr std::uint32_t kExchangeWaitMs = 250;
inline constexpr std::uint32_t kDeviceCommandWaitMs = 2000;

// This program's hold on one open sensor: how deep its operations nest,
// whether it has the platform's lock, and the change stamp as it last saw
// it. A hold belongs to one opening of the sensor's handle and goes when that
// handle is closed, so a sensor later given the same handle number starts
// without it.
struct SensorHold {
    int Depth = 0;
    platform::Handle Locked = platform::kInvalidHandle;  // the handle whose platform lock this program has
    bool Refused = false;          // the outermost begin gave up; the nested ones fail at once
    std::uint64_t KnownStamp = 0;  // the change stamp as this program last saw it
};

// A sensor of the table: its public record and its hold. The hold is kept
// beside the record, never in it, as callers copy records around.
struct Sensor {
    tsDevSlot& Slot;
    std::shared_ptr<SensorHold> Hold;
};

// The sensor SelectDev chose or, on a thread of a run across the sensors, that thread's sensor.
Sensor currentSensor();
tsDevSlot& currentSlot();
// Adds an opened sensor at the end of the table, with a fresh hold; false when the table is full.
bool addToTable(const tsDevSlot& record);
bool hidBound();
// During a run across the sensors, notes an arrival or removal for its end
// and gives true; otherwise false, and the caller handles it now.
bool deferTableChange(bool removal, const char* path);

// ---- Holding the sensor (SensorLock.cpp) -----------------------------------

inline constexpr std::uint32_t kSensorWaitPollMs = 50;

// The sensor's configuration was read, or changed by this program: what
// other programs have changed is known up to here.
void noteConfigRead(const Sensor& sensor);
void noteConfigChanged(const Sensor& sensor);

// ---- Report exchanges ----------------------------------------------------

// Sends the command report: byte 1 the command, byte 2 the sub-command.
bool sendCommandReport(std::uint8_t command, std::uint8_t sub = 0);
// Command report, 250 ms, then a feature read; data holds d1 to d8.
bool readExchange(std::uint8_t command, std::uint8_t sub, Payload& data);
// Command report, 250 ms, then the data report d1 to d8.
bool writeExchange(std::uint8_t command, std::uint8_t sub, const Payload& data);

// ---- Block halves and their payload mapping --------------------------------

// The ten block halves, in the order a complete read fetches them.
enum class Half {
    Sonar,
    WalkAway1,
    WalkAway2,
    WalkUp1,
    WalkUp2,
    WalkAwayEx1,
    WalkAwayEx2,
    WalkUpEx1,
    WalkUpEx2,
    Idle,
};

struct HalfCommand {
    std::uint8_t Command;
    std::uint8_t Sub;
    std::uint8_t CommitBit;  // the bit of the commit mask that commits this half
};

HalfCommand commandOf(Half half);
// What a write sends for the half, from the slot (and the last-read reserved bytes).
Payload encodeHalf(Half half, const tsDevSlot& slot);
// Stores a half read from the sensor into the slot (and the last-read reserved bytes).
void decodeHalf(Half half, const Payload& data, tsDevSlot& slot);

inline constexpr std::uint8_t kInfoCommand = 0x8A;
inline constexpr std::uint8_t kCommitCommand = 0x90;
Payload encodeLuid(std::uint16_t luid);
void decodeInfo(const Payload& data, tsDevSlot& slot);

// Distances: 3.472222 sensor units make an inch, rounded half up.
std::uint16_t sensorUnitsToInches(std::uint8_t units);
// The low byte of the rounded sensor value.
std::uint8_t inchesToSensorUnits(std::uint16_t inches);

}  // namespace devlib
