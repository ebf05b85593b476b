#include "ApplyPass.h"

#include "Session.h"
#include "config/Waits.h"
#include "devlib/DevLib.h"

namespace cli {

namespace {

struct BlockWrite {
    const char* Name;  // as the pages' write-failure messages name it
    bool (*Differs)(const ConfigSet& a, const ConfigSet& b);
    int (ConfigModel::*Write)();
    bool Extension;  // a sensor may refuse it while the write reports success
};

template <auto Member>
bool Differs(const ConfigSet& a, const ConfigSet& b)
{
    return !(a.*Member == b.*Member);
}

// One group per page, in Apply's page order.
const std::vector<std::vector<BlockWrite>> kPages = {
    {{"WalkAway", Differs<&ConfigSet::WalkAway>, &ConfigModel::WriteWalkAwayToDevice, false},
     {"WalkAwayEx", Differs<&ConfigSet::WalkAwayEx>, &ConfigModel::WriteWalkAwayExToDevice, true}},
    {{"WalkUp", Differs<&ConfigSet::WalkUp>, &ConfigModel::WriteWalkUpToDevice, false},
     {"WalkUpEx", Differs<&ConfigSet::WalkUpEx>, &ConfigModel::WriteWalkUpExToDevice, true}},
    {{"Sonar", Differs<&ConfigSet::Sonar>, &ConfigModel::WriteSonarToDevice, false}},
    {{"Idle", Differs<&ConfigSet::Idle>, &ConfigModel::WriteIdleToDevice, false}},
};

bool WriteOne(ConfigModel& model, const BlockWrite& block, ApplyResult& result)
{
    const bool written = (model.*block.Write)() != 0;
    const std::uint32_t status = GetDevStatus();
    if (written && !(block.Extension && (status & kStatusWriteConfigFailed))) {
        result.Written.push_back(block.Name);
        return true;
    }
    result.Ok = false;
    result.Failed = block.Name;
    if (!written && (status & kStatusStore) == kStatusStore)
        result.Reason = "The library refused the block (status " + StatusText(status) + ")";
    else if (written)
        result.Reason = "The sensor refused the extension set (status " + StatusText(status) + ")";
    else
        result.Reason = "The write failed (status " + StatusText(status) + ")";
    return false;
}

}  // namespace

ApplyResult WriteChangedBlocks(Session& session, int slot, const SensorConfig& current,
                               const SensorConfig& wanted, bool writeLuid)
{
    ApplyResult result;
    SelectDev(static_cast<std::int16_t>(slot));
    ConfigModel model;
    model.EditCfg = wanted.Blocks;
    model.EditLuid = wanted.Luid;
    session.Platform().BeginOperation("Writing " + session.Name(slot));
    for (const auto& page : kPages) {
        bool wrote = false;
        for (const BlockWrite& block : page) {
            if (!block.Differs(current.Blocks, wanted.Blocks)) continue;
            if (!WriteOne(model, block, result)) {
                session.Platform().EndOperation();
                return result;
            }
            wrote = true;
        }
        if (wrote) session.Platform().sleepMs(kPageWriteSettleMs);
    }
    if (writeLuid && wanted.Luid != current.Luid) {
        if (!model.WriteLuidToDevice()) {
            result.Ok = false;
            result.Failed = "LUID";
            result.Reason = "The write failed (status " + StatusText(GetDevStatus()) + ")";
        } else {
            result.Written.push_back("LUID");
            session.Platform().sleepMs(kPageWriteSettleMs);
        }
    }
    session.Platform().EndOperation();
    return result;
}

std::string ApplyText(const ApplyResult& result)
{
    std::string written;
    for (const std::string& name : result.Written) written += (written.empty() ? "" : ", ") + name;
    if (!result.Ok) {
        return "Failed to Write the device Features (" + result.Failed + ")! " + result.Reason +
               "; written before it: " + (written.empty() ? "nothing" : written);
    }
    return written.empty() ? "already up to date" : "wrote " + written;
}

}  // namespace cli
