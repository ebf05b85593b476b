// reset, defaults save|restore, halt and resume: the sensor's own commands.

#include "Commands.h"
#include "ExitCodes.h"
#include "JsonDocuments.h"
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

// Runs the command on the chosen sensor and reports it: "sensor 1 (hidraw3):
// DONE", or with --json {"layout": 1, "sensor": {...}, "command": NAME,
// "done": DONE or null, "error": ...}.
template <typename Run>
int OnChosenSensor(Session& session, const Request& request, const char* name, Run run)
{
    int status = kSuccess;
    std::string done;
    const std::optional<int> slot = ChosenSensor(session, request, status);
    if (slot) status = run(*slot, done);
    if (request.Json) {
        Json document;
        document["layout"] = kJsonLayout;
        document["sensor"] = slot ? SensorJson(session, *slot, nullptr) : Json(nullptr);
        document["command"] = name;
        document["done"] = status == kSuccess ? Json(done) : Json(nullptr);
        return FinishDocument(session, document, status, slot);
    }
    if (status == kSuccess) session.Out() << session.Name(*slot) << ": " << done << '\n';
    return status;
}

// Runs a stored-configuration command (which ends with a read of the sensor),
// with progress.
int RunStoredConfigCommand(Session& session, int slot, const StoredConfigCommand& command, std::string& done)
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
    done = command.Done;
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
    return OnChosenSensor(session, request, "reset", [&](int slot, std::string& done) {
        return RunStoredConfigCommand(session, slot, kFactoryReset, done);
    });
}

int RunDefaults(Session& session, const Request& request)
{
    const bool save = request.Subcommand == Command::DefaultsSave;
    const char* refusal = save ? "This Feature is not supported on your current Firmware!"
                               : "This Feature is not supported on your Firmware Version!";
    return OnChosenSensor(session, request, save ? "defaults save" : "defaults restore",
                          [&](int slot, std::string& done) {
                              if (!KeepsUserDefaults(session, slot, refusal))
                                  return int{kDeviceOrFileFailure};
                              return RunStoredConfigCommand(
                                  session, slot, save ? kSaveUserDefaults : kRestoreUserDefaults, done);
                          });
}

int RunKeySends(Session& session, const Request& request)
{
    const bool halt = request.Subcommand == Command::Halt;
    return OnChosenSensor(session, request, halt ? "halt" : "resume", [&](int slot, std::string& done) {
        SelectDev(static_cast<std::int16_t>(slot));
        if (!HaltKeySends(halt ? 1 : 0)) {
            session.Error() << session.Name(slot) << ": cannot " << (halt ? "halt" : "resume")
                            << " key sends (status " << StatusText(GetDevStatus()) << ")\n";
            return int{kDeviceOrFileFailure};
        }
        session.Platform().sleepMs(kKeySendsPauseMs);
        done = halt ? "key sends halted" : "key sends resumed";
        return int{kSuccess};
    });
}

}  // namespace cli
