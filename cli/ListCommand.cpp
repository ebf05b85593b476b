// list: every attached sensor on one line, read no further than its device
// info (LUID and firmware), so no parameter block is read.

#include <cstdio>

#include "Commands.h"
#include "ExitCodes.h"
#include "devlib/DevLib.h"

namespace cli {

int RunList(Session& session, const Request&)
{
    if (const int status = session.OpenSensors(); status != kSuccess) return status;
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
    return result;
}

std::optional<int> ChosenSensor(Session& session, const Request& request, int& status)
{
    status = session.OpenSensors();
    if (status != kSuccess) return std::nullopt;
    return session.Choose(request.Sensor, status);
}

}  // namespace cli
