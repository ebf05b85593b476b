#include "config/ConfigModel.h"

#include <cstdio>
#include <optional>

#include "config/FirmwareVersion.h"
#include "devlib/DevLib.h"

namespace {

constexpr const char* kProductName = "VANTREL";
constexpr const char* kProgramVersion = "3.90";

// Stores one block into the library, clears the page's flag for it and sends
// every block the library holds as changed. The flag is cleared before the
// sensor is written, so a failed write leaves it clear; the library keeps the
// block marked and sends it with the next successful write.
template <typename Block>
int StoreAndWrite(int (*store)(const Block*), const Block& block, std::uint32_t* flag)
{
    if (!store(&block)) return 0;
    if (flag) *flag = 0;
    return WriteDevConfig() ? 1 : 0;
}

// The library tolerates a sensor that refuses the extension sets: it goes on
// with the other blocks and notes the refusal in the status word only.
template <typename Block>
int StoreAndWriteExtension(int (*store)(const Block*), const Block& block, std::uint32_t* flag)
{
    if (!StoreAndWrite(store, block, flag)) return 0;
    if ((GetDevStatus() & kStatusWriteConfigFailed) == 0) return 1;
    *flag = 1;
    return 0;
}

// Stores the six blocks in set order, stopping at the first one refused.
int StoreAllBlocks(const ConfigSet& blocks)
{
    return SetSonarParms(&blocks.Sonar) && SetWalkAwayParms(&blocks.WalkAway) &&
           SetWalkUpParms(&blocks.WalkUp) && SetWalkAwayParmsEx(&blocks.WalkAwayEx) &&
           SetWalkUpParmsEx(&blocks.WalkUpEx) && SetIdleParms(&blocks.Idle);
}

}  // namespace

void ConfigModel::Initialise()
{
    *this = ConfigModel{};
}

void ConfigModel::SetLibVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t patch)
{
    LibVerMajor = static_cast<std::int16_t>(major);
    LibVerMinor = static_cast<std::int16_t>(minor);
    LibVerPatch = static_cast<std::int16_t>(patch);
}

void ConfigModel::UpdateDeviceVariant()
{
    switch (DeviceFw & 0xF) {
        case 0:
            DeviceVariant = -1;
            break;
        case kCompactDeviceVariant:
            DeviceVariant = kCompactDeviceVariant;
            break;
        default:
            break;
    }
}

int ConfigModel::PushConfigToLib()
{
    if (!StoreAllBlocks(EditCfg)) return 0;
    SetDevLuid(EditLuid);
    return 1;
}

int ConfigModel::PullConfigFmLib()
{
    // A fetch that fails leaves that block of the edit set as it was.
    GetWalkAwayParms(&EditCfg.WalkAway);
    GetWalkUpParms(&EditCfg.WalkUp);
    GetWalkAwayParmsEx(&EditCfg.WalkAwayEx);
    GetWalkUpParmsEx(&EditCfg.WalkUpEx);
    GetSonarParms(&EditCfg.Sonar);
    GetIdleParms(&EditCfg.Idle);
    DeviceFw = static_cast<std::int16_t>(GetDevFwVersion());
    EditLuid = GetDevLuid();
    ConfigLoaded = 1;
    return 1;
}

// The chosen sensor first, then the others in table order: one whose read fails hides none of
// the others. Only when none can be read is the model cleared.
int ConfigModel::ReadConfigFmDevice()
{
    const std::int16_t count = GetDevCount();
    const std::int16_t chosen = GetCurrentDev();
    std::optional<std::int16_t> read;
    if (SelectDev(chosen) && ReadDevConfig()) read = chosen;
    for (std::int16_t slot = 0; !read && slot < count; ++slot)
        if (slot != chosen && SelectDev(slot) && ReadDevConfig()) read = slot;
    if (!read) {
        DeviceFw = 0;
        EditLuid = 0;
        ConfigLoaded = 0;
        ExtensionSetsRefused = 0;
        EditCfg = ConfigSet{};
        return 0;
    }
    TakeExtensionSupportFmLib();
    PullConfigFmLib();
    return count;
}

void ConfigModel::TakeExtensionSupportFmLib()
{
    ExtensionSetsRefused = CurrentDevRecord().ExtensionSetsRefused != 0 ? 1 : 0;
}

int ConfigModel::WriteSonarToDevice()
{
    return StoreAndWrite(SetSonarParms, EditCfg.Sonar, &SonarChanged);
}

int ConfigModel::WriteWalkAwayToDevice()
{
    return StoreAndWrite(SetWalkAwayParms, EditCfg.WalkAway, &WalkAwayChanged);
}

int ConfigModel::WriteWalkUpToDevice()
{
    return StoreAndWrite(SetWalkUpParms, EditCfg.WalkUp, &WalkUpChanged);
}

int ConfigModel::WriteWalkAwayExToDevice()
{
    return StoreAndWriteExtension(SetWalkAwayParmsEx, EditCfg.WalkAwayEx, &WalkAwayExChanged);
}

int ConfigModel::WriteWalkUpExToDevice()
{
    return StoreAndWriteExtension(SetWalkUpParmsEx, EditCfg.WalkUpEx, &WalkUpExChanged);
}

int ConfigModel::WriteIdleToDevice()
{
    return StoreAndWrite(SetIdleParms, EditCfg.Idle, static_cast<std::uint32_t*>(nullptr));
}

// A write that fails keeps its flag, as the blocks' writers do.
int ConfigModel::WriteLuidToDevice()
{
    SetDevLuid(EditLuid);
    if (!WriteDevConfig()) return 0;
    LuidChanged = 0;
    return 1;
}

int ConfigModel::ResetDeviceToFactory()
{
    if (!ResetDevToFactory()) return 0;
    return ReadConfigFmDevice() != 0 ? 1 : 0;
}

int ConfigModel::RestoreUserDefaults()
{
    if (DeviceFw < kFirstUserDefaultsFw) return 0;
    if (!RestoreDevUserDefaults()) return 0;
    return ReadConfigFmDevice() != 0 ? 1 : 0;
}

int ConfigModel::SaveUserDefaults()
{
    if (DeviceFw < kFirstUserDefaultsFw) return 0;
    if (!SaveDevUserDefaults()) return 0;
    return ReadConfigFmDevice() != 0 ? 1 : 0;
}

int ConfigModel::SaveCloneCfg()
{
    CloneCfg = EditCfg;
    return 1;
}

int ConfigModel::WriteCloneToDevice()
{
    if (!StoreAllBlocks(CloneCfg)) return 0;
    return WriteDevConfig() ? 1 : 0;
}

void ConfigModel::FormatSheetTitle(char* title, std::size_t titleSize) const
{
    if (title == nullptr || titleSize == 0) return;
    std::snprintf(title, titleSize, "%s %s, DLL %d.%d%d, DeviceFW %s", kProductName, kProgramVersion,
                  LibVerMajor, LibVerMinor, LibVerPatch, FirmwareText(DeviceFw).c_str());
}

std::string ConfigModel::SheetTitle() const
{
    char title[128];
    FormatSheetTitle(title, sizeof title);
    return title;
}

std::string WriteFailedMessage(std::string_view block)
{
    return "Failed to Write the device Features (" + std::string(block) + ")!";
}
