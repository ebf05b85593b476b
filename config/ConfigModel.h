#pragma once

// The application's working copy of one sensor's configuration: the
// edit set the pages fill from and collect into, the clone set, the change
// flags, and the transfers between the model, the library and the sensor.
// Plain C++: the Qt application object holds one and hands it to the pages.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "devlib/DevLib.h"
#include "devlib/ParameterBlocks.h"

struct ConfigSet {
    tsSonarParms Sonar;
    tsWalkAwayParms WalkAway;
    tsWalkUpParms WalkUp;
    tsWalkAwayParmsEx WalkAwayEx;
    tsWalkUpParmsEx WalkUpEx;
    tsIdleParms Idle;
    friend bool operator==(const ConfigSet&, const ConfigSet&) = default;
};
static_assert(sizeof(ConfigSet) == 160);

// The six blocks of a sensor's record, and the record holding a set's blocks.
inline ConfigSet BlocksOf(const tsDevSlot& record)
{
    return {record.Sonar, record.WalkAway, record.WalkUp, record.WalkAwayEx, record.WalkUpEx, record.Idle};
}
inline void PutBlocks(tsDevSlot& record, const ConfigSet& blocks)
{
    record.Sonar = blocks.Sonar;
    record.WalkAway = blocks.WalkAway;
    record.WalkUp = blocks.WalkUp;
    record.WalkAwayEx = blocks.WalkAwayEx;
    record.WalkUpEx = blocks.WalkUpEx;
    record.Idle = blocks.Idle;
}

// Firmware from which the sensor keeps user defaults.
inline constexpr std::int32_t kFirstUserDefaultsFw = 0x0400;
// The largest LUID; a larger number is held at it.
inline constexpr std::uint32_t kMaxLuid = 65535;
// The device variant with the compact layout: no range view, few sonar controls.
inline constexpr std::int16_t kCompactDeviceVariant = 2;

class ConfigModel {
public:
    // The initial state: everything zero, DeviceVariant -1.
    void Initialise();
    // Stores the library version into LibVerMajor, LibVerMinor and LibVerPatch.
    void SetLibVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t patch);

    // DeviceVariant from the firmware's last hexadecimal digit: 0 gives -1,
    // 2 gives the compact variant, any other digit leaves it as it was.
    void UpdateDeviceVariant();

    int PushConfigToLib();
    int PullConfigFmLib();
    // Reads the library's current sensor (the one the sheet chose), or, when
    // that one is gone or does not read completely, the first sensor in the
    // library's table that does, which then becomes current, and pulls it into
    // the model; without one the model is cleared. The number of sensors.
    int ReadConfigFmDevice();
    // Notes whether the current sensor refused the extension sets at its
    // last read, from its status word; right after a successful read.
    void TakeExtensionSupportFmLib();

    int WriteSonarToDevice();
    int WriteWalkAwayToDevice();
    int WriteWalkUpToDevice();
    // An extension set the sensor refuses fails the write, although the library
    // sends and commits the other changed blocks; its flag stays set.
    int WriteWalkAwayExToDevice();
    int WriteWalkUpExToDevice();
    int WriteIdleToDevice();
    int WriteLuidToDevice();

    int ResetDeviceToFactory();
    int RestoreUserDefaults();
    int SaveUserDefaults();

    int SaveCloneCfg();
    int WriteCloneToDevice();

    // Writes the sheet title into a buffer of titleSize (128) characters.
    void FormatSheetTitle(char* title, std::size_t titleSize) const;
    std::string SheetTitle() const;

    std::int16_t LibVerMajor = 0;
    std::int16_t LibVerMinor = 0;
    std::int16_t LibVerPatch = 0;
    std::int32_t DeviceFw = 0;
    std::uint16_t EditLuid = 0;
    std::uint32_t ConfigLoaded = 0;
    std::int16_t DeviceVariant = -1;
    // The sensor refused the extension sets when it was last read (old
    // firmware); the library reads the other blocks all the same.
    std::uint32_t ExtensionSetsRefused = 0;

    std::uint32_t SonarChanged = 0;
    std::uint32_t WalkAwayChanged = 0;
    std::uint32_t WalkAwayChangedBySonar = 0;
    std::uint32_t WalkUpChanged = 0;
    std::uint32_t WalkUpChangedBySonar = 0;
    std::uint32_t WalkAwayExChanged = 0;
    std::uint32_t WalkUpExChanged = 0;
    std::uint32_t IdleChangedBySonar = 0;
    std::uint32_t LuidChanged = 0;

    ConfigSet EditCfg{};
    ConfigSet CloneCfg{};
};

// What the user is told when a block does not reach the sensor, the block
// named as the pages and tolvanectl name it: "Sonar", "WalkAwayEx", "LUID".
std::string WriteFailedMessage(std::string_view block);
