// list: every attached sensor on one line, read no further than its device
// info (LUID and firmware), so no parameter block is read; then the sensors
// this user may not open, marked so.

#include <cstdio>

#include "Commands.h"
#include "ExitCodes.h"
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
    int result = kSuccess;
    for (int slot = 0; slot < session.Count(); ++slot) {
        SelectDev(static_cast<std::int16_t>(slot));
        const bool infoRead = ReadDevInfo() != 0;
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04x:%04x", unsigned{session.VendorId(slot)},
                      unsigned{session.ProductId(slot)});
        session.Out() << slot + 1 << "  " << session.Node(slot) << "  " << ids << "  firmware "
                      << FirmwareText(GetDevFwVersion()) << "  LUID ";
        if (infoRead) {
            session.Out() << GetDevLuid() << '\n';
        } else {
            session.Out() << "unknown\n";
            session.Error() << "cannot read the device info of " << session.Name(slot) << " (status "
                            << StatusText(GetDevStatus()) << ")\n";
            result = kDeviceOrFileFailure;
        }
    }
    ListInaccessible(session);
    return result;
}

std::optional<int> ChosenSensor(Session& session, const Request& request, int& status)
{
    status = session.OpenSensors();
    if (status != kSuccess) return std::nullopt;
    return session.Choose(request.Sensor, status);
}

}  // namespace cli
