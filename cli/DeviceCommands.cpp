// reset, defaults save|restore, halt and resume: the sensor's own commands.

#include "Commands.h"
#include "ExitCodes.h"
#include "config/ConfigModel.h"
#include "config/Waits.h"
#include "devlib/DevLib.h"

namespace cli {

namespace {

struct StoredConfigCommand {
    int (*Run)();
    const char* Doing;  // the progress line, before the sensor's name
    const char* Failed;
    const char* Done;
};

constexpr StoredConfigCommand kFactoryReset{ResetDevToFactory, "Resetting", "the factory reset failed",
                                            "factory defaults restored"};
constexpr StoredConfigCommand kSaveUserDefaults{SaveDevUserDefaults, "Saving the user defaults of",
                                                "saving the user defaults failed", "user defaults saved"};
constexpr StoredConfigCommand kRestoreUserDefaults{RestoreDevUserDefaults, "Restoring the user defaults of",
                                                   "restoring the user defaults failed",
                                                   "user defaults restored"};

// Runs a stored-configuration command (which ends with a read of the sensor),
// with progress.
int RunStoredConfigCommand(Session& session, int slot, const StoredConfigCommand& command)
{
    SelectDev(static_cast<std::int16_t>(slot));
    session.Platform().BeginOperation(std::string(command.Doing) + " " + session.Name(slot));
    const bool ok = command.Run() != 0;
    session.Platform().EndOperation();
    if (!ok) {
        session.Error() << session.Name(slot) << ": " << command.Failed << " (status "
                        << StatusText(GetDevStatus()) << ")\n";
        return kDeviceOrFileFailure;
    }
    session.Out() << session.Name(slot) << ": " << command.Done << '\n';
    return kSuccess;
}

bool KeepsUserDefaults(Session& session, int slot, const char* refusal)
{
    if (!session.ReadInfo(slot)) return false;
    if (GetDevFwVersion() >= kFirstUserDefaultsFw) return true;
    session.Error() << session.Name(slot) << ": " << refusal << '\n';
    return false;
}

}  // namespace

int RunReset(Session& session, const Request& request)
{
    int status = kSuccess;
    const std::optional<int> slot = ChosenSensor(session, request, status);
    if (!slot) return status;
    return RunStoredConfigCommand(session, *slot, kFactoryReset);
}

int RunDefaults(Session& session, const Request& request)
{
    const bool save = request.Subcommand == Command::DefaultsSave;
    int status = kSuccess;
    const std::optional<int> slot = ChosenSensor(session, request, status);
    if (!slot) return status;
    const char* refusal = save ? "This Feature is not supported on your current Firmware!"
                               : "This Feature is not supported on your Firmware Version!";
    if (!KeepsUserDefaults(session, *slot, refusal)) return kDeviceOrFileFailure;
    return RunStoredConfigCommand(session, *slot, save ? kSaveUserDefaults : kRestoreUserDefaults);
}

int RunKeySends(Session& session, const Request& request)
{
    const bool halt = request.Subcommand == Command::Halt;
    int status = kSuccess;
    const std::optional<int> slot = ChosenSensor(session, request, status);
    if (!slot) return status;
    SelectDev(static_cast<std::int16_t>(*slot));
    if (!HaltKeySends(halt ? 1 : 0)) {
        session.Error() << session.Name(*slot) << ": cannot " << (halt ? "halt" : "resume")
                        << " key sends (status " << StatusText(GetDevStatus()) << ")\n";
        return kDeviceOrFileFailure;
    }
    session.Platform().sleepMs(kKeySendsPauseMs);
    session.Out() << session.Name(*slot) << ": key sends " << (halt ? "halted" : "resumed") << '\n';
    return kSuccess;
}

}  // namespace cli
