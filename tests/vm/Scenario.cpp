#include "Scenario.h"

#include <functional>

#include "CheckLog.h"
#include "devlib/DevLib.h"

namespace vmtest {

namespace {

template <typename Block>
std::string words(const Block& block)
{
    std::string text;
    for (std::size_t i = 0; i < Block::kWords; ++i) text += format(i ? " %u" : "%u", block[i]);
    return text;
}

void addBlocks(ScenarioOutcome& out, const char* when)
{
    tsSonarParms sonar{};
    tsWalkAwayParms walkAway{};
    tsWalkUpParms walkUp{};
    tsWalkAwayParmsEx walkAwayEx{};
    tsWalkUpParmsEx walkUpEx{};
    tsIdleParms idle{};
    const int got = GetSonarParms(&sonar) & GetWalkAwayParms(&walkAway) & GetWalkUpParms(&walkUp) &
                    GetWalkAwayParmsEx(&walkAwayEx) & GetWalkUpParmsEx(&walkUpEx) & GetIdleParms(&idle);
    out.Lines.push_back(format("%s: valid=%d luid=%04x fw=%04x", when, got, GetDevLuid(), GetDevFwVersion()));
    out.Lines.push_back(format("%s: Sonar=%s", when, words(sonar).c_str()));
    out.Lines.push_back(format("%s: WalkAway=%s", when, words(walkAway).c_str()));
    out.Lines.push_back(format("%s: WalkUp=%s", when, words(walkUp).c_str()));
    out.Lines.push_back(format("%s: WalkAwayEx=%s", when, words(walkAwayEx).c_str()));
    out.Lines.push_back(format("%s: WalkUpEx=%s", when, words(walkUpEx).c_str()));
    out.Lines.push_back(format("%s: Idle=%s", when, words(idle).c_str()));
}

}  // namespace

ScenarioOutcome runScenario()
{
    ScenarioOutcome out;
    const auto step = [&](const char* name, const std::function<std::string()>& body) {
        out.Lines.push_back(std::string(name) + ": " + body());
    };
    step("OpenSensors", [&] {
        std::uint32_t fw = 0;
        const int ok = OpenSensors(&fw);
        out.DevicePath = LibState().Slots[0].DevicePath;
        return format("result=%d fw=%04x count=%d status=%08x", ok, fw, GetDevCount(), GetDevStatus());
    });
    addBlocks(out, "after open");
    step("WriteSonar", [] {
        tsSonarParms sonar{};
        GetSonarParms(&sonar);
        sonar[PingRateS] = 600;
        sonar[MaxDistS] = 40;
        sonar[ORDBTmS] = 9;
        const int stored = SetSonarParms(&sonar);
        const int written = WriteDevConfig();
        return format("stored=%d written=%d status=%08x", stored, written, GetDevStatus());
    });
    step("ReadDevConfig", [] { return format("result=%d status=%08x", ReadDevConfig(), GetDevStatus()); });
    addBlocks(out, "after write");
    step("SaveDevUserDefaults",
         [] { return format("result=%d status=%08x", SaveDevUserDefaults(), GetDevStatus()); });
    step("ResetDevToFactory",
         [] { return format("result=%d status=%08x", ResetDevToFactory(), GetDevStatus()); });
    addBlocks(out, "after reset");
    step("RestoreDevUserDefaults",
         [] { return format("result=%d status=%08x", RestoreDevUserDefaults(), GetDevStatus()); });
    addBlocks(out, "after restore");
    step("GetRangeInfo", [] {
        tsRangeInfo range{};
        const int ok = GetRangeInfo(&range);
        return format("result=%d status=%08x distance=%u inRange=%u flag1=%u flag2=%u flags=%02x", ok,
                      GetDevStatus(), range.Distance, range.InRange, range.Flag1, range.Flag2,
                      range.RangeFlags);
    });
    step("WriteLuid", [] {
        SetDevLuid(0x1234);
        const int written = WriteDevConfig();
        const std::uint32_t status = GetDevStatus();
        const int read = ReadDevConfig();
        return format("written=%d status=%08x read=%d luid=%04x", written, status, read, GetDevLuid());
    });
    step("HaltKeySends", [] {
        const int halt = HaltKeySends(1);
        const int resume = HaltKeySends(0);
        return format("halt=%d resume=%d status=%08x", halt, resume, GetDevStatus());
    });
    return out;
}

}  // namespace vmtest
