// list: every attached sensor on one line, read no further than its device
// info (LUID and firmware), so no parameter block is read; then the sensors
// this user may not open, marked so.

#include <cstdio>

#include "Commands.h"
#include "ExitCodes.h"
#include "config/FirmwareVersion.h"
#include "devlib/DevLib.h"
#include "platform/DevicePath.h"

namespace cli {

namespace {

void ListInaccessible(Session& session)
{
    const std::vector<std::string> paths = session.InaccessiblePaths();
    for (const std::string& path : paths)
        session.Out() << "-  " << platform::deviceNodeOf(path) << "  " << platform::usbIdsOf(path)
                      << "  not accessible to this user\n";
    if (!paths.empty()) session.SayInaccessible();
}

}  // namespace

int RunList(Session& session, const Request&)
{
    EnumSensors();
    if (session.Count() == 0) {
        ListInaccessible(session);
        if (session.InaccessiblePaths().empty()) session.Error() << "no sensor connected\n";
        return kNoSensor;
    }
    const std::vector<int> results =
        session.RunOnEverySensor("Listing the sensors", [&session](int slot) -> int {
            const bool held = session.HoldSensor(slot);
            const bool infoRead = held && ReadDevInfo() != 0;
            char ids[16];
            std::snprintf(ids, sizeof ids, "%04x:%04x", unsigned{session.VendorId(slot)},
                          unsigned{session.ProductId(slot)});
            session.Out() << slot + 1 << "  " << session.Node(slot) << "  " << ids << "  firmware "
                          << FirmwareText(GetDevFwVersion()) << "  LUID ";
            if (infoRead) {
                session.Out() << GetDevLuid() << '\n';
                return kSuccess;
            }
            session.Out() << "unknown\n";
            if (!held) return kSensorInUse;
            return session.SayFailure(slot, "cannot read the device info of " + session.Name(slot));
        });
    const int result = CombinedStatus(results);
    ListInaccessible(session);
    return result;
}

std::optional<int> ChosenSensor(Session& session, const Request& request, int& status)
{
    status = session.OpenSensors();
    if (status != kSuccess) return std::nullopt;
    const std::optional<int> slot = session.Choose(request.Sensor, status);
    if (slot && !session.HoldSensor(*slot)) {
        status = kSensorInUse;
        return std::nullopt;
    }
    return slot;
}

}  // namespace cli
