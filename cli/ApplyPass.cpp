#include "ApplyPass.h"

#include <algorithm>

#include "Session.h"
#include "config/BlockWriters.h"
#include "config/ConfigModel.h"
#include "config/KeySequence.h"
#include "config/TemplateFields.h"
#include "config/Waits.h"
#include "devlib/DevLib.h"
#include "devlib/WireRoundTrip.h"

namespace cli {

namespace {

constexpr const char* kLuid = "LUID";

struct BlockWrite {
    const char* Name;  // as the pages' write-failure messages name it
    TemplateBlock Block;
    bool (*Differs)(const ConfigSet& a, const ConfigSet& b);
    void (*Copy)(ConfigSet& to, const ConfigSet& from);
    int (*Store)(const ConfigSet& blocks);  // the library's store of this block
    int (ConfigModel::*Write)();
    bool Extension;  // a sensor may refuse it while the write reports success
};

template <auto Member>
bool Differs(const ConfigSet& a, const ConfigSet& b)
{
    return !(a.*Member == b.*Member);
}

template <auto Member>
void Copy(ConfigSet& to, const ConfigSet& from)
{
    to.*Member = from.*Member;
}

template <auto Member, auto StoreBlock>
int Store(const ConfigSet& blocks)
{
    return StoreBlock(&(blocks.*Member));
}

template <auto Member, auto StoreBlock>
BlockWrite Block(TemplateBlock block, bool extension)
{
    const BlockWriter& writer = BlockWriterOf(block);
    return {writer.Name,  block,    Differs<Member>, Copy<Member>, Store<Member, StoreBlock>,
            writer.Write, extension};
}

// One group per page, in Apply's page order.
const std::vector<std::vector<BlockWrite>> kPages = {
    {Block<&ConfigSet::WalkAway, SetWalkAwayParms>(TemplateBlock::WalkAway, false),
     Block<&ConfigSet::WalkAwayEx, SetWalkAwayParmsEx>(TemplateBlock::WalkAwayEx, true)},
    {Block<&ConfigSet::WalkUp, SetWalkUpParms>(TemplateBlock::WalkUp, false),
     Block<&ConfigSet::WalkUpEx, SetWalkUpParmsEx>(TemplateBlock::WalkUpEx, true)},
    {Block<&ConfigSet::Sonar, SetSonarParms>(TemplateBlock::Sonar, false)},
    {Block<&ConfigSet::Idle, SetIdleParms>(TemplateBlock::Idle, false)},
};

struct PendingWrite {
    const BlockWrite* Block;
    std::size_t Page;
};

std::vector<PendingWrite> ChangedBlocks(const SensorConfig& current, const SensorConfig& wanted)
{
    std::vector<PendingWrite> changed;
    for (std::size_t page = 0; page < kPages.size(); ++page)
        for (const BlockWrite& block : kPages[page])
            if (block.Differs(current.Blocks, wanted.Blocks)) changed.push_back({&block, page});
    return changed;
}

// What the library's stores check, in the words of the template file and
// the command line.
struct StoreLimit {
    std::uint32_t Fault;
    TemplateBlock Block;
    const char* Field;
    std::uint16_t Low;
    std::uint16_t High;
    const char* Setting;
};

constexpr StoreLimit kStoreLimits[] = {
    {kStatusBadPingRate, TemplateBlock::Sonar, "PingRateS", kMinPingRate, kMaxPingRate, "ping-rate"},
    {kStatusBadMinDist, TemplateBlock::Sonar, "MinDistS", kMinMinDist, kMaxMinDist, "min-distance"},
    {kStatusBadMaxDist, TemplateBlock::Sonar, "MaxDistS", kMinMaxDist, kMaxMaxDist, "max-distance"},
    {kStatusBadWalkAwayKeyCount, TemplateBlock::WalkAway, "KeyCountWA", 0, kMaxKeyCount, "walk-away-keys"},
    {kStatusBadWalkAwayDelay, TemplateBlock::WalkAway, "InterKeyDelayWA", kMinInterKeyDelay,
     kMaxInterKeyDelay, "walk-away-key-delay"},
    {kStatusBadWalkUpKeyCount, TemplateBlock::WalkUp, "KeyCountWU", 0, kMaxKeyCount, "walk-to-keys"},
    {kStatusBadWalkUpDelay, TemplateBlock::WalkUp, "InterKeyDelayWU", kMinInterKeyDelay, kMaxInterKeyDelay,
     "walk-to-key-delay"},
    {kStatusBadWalkAwayKeyCount, TemplateBlock::WalkAwayEx, "KeyCountWAEx", 0, kMaxKeyCountEx,
     "walk-away-ext-keys"},
    {kStatusBadWalkUpKeyCount, TemplateBlock::WalkUpEx, "KeyCountWUEx", 0, kMaxKeyCountEx,
     "walk-to-ext-keys"},
};

// "WalkAway: KeyCountWA is 7, not 0 to 6 (walk-away-keys)"
std::string RefusalText(const BlockWrite& block, std::uint32_t status, const ConfigSet& wanted)
{
    const std::uint32_t fault = status & ~kStatusStore;
    for (const StoreLimit& limit : kStoreLimits) {
        if (limit.Fault != fault || limit.Block != block.Block) continue;
        const std::uint16_t value = FieldWord(wanted, *FindTemplateField(limit.Field));
        return std::string(block.Name) + ": " + limit.Field + " is " + std::to_string(value) + ", not " +
               std::to_string(limit.Low) + " to " + std::to_string(limit.High) + " (" + limit.Setting + ")";
    }
    return std::string(block.Name) + ": refused by the library (status " + StatusText(status) + ")";
}

// Offers each block to the library's store and puts the slot back as it was,
// change marks included, so nothing of it reaches the sensor.
std::vector<std::string> RefusedBlocks(int slot, const std::vector<PendingWrite>& blocks,
                                       const SensorConfig& wanted)
{
    std::vector<std::string> refused;
    SelectDev(static_cast<std::int16_t>(slot));
    TryDevStores([&] {
        for (const PendingWrite& pending : blocks)
            if (!pending.Block->Store(wanted.Blocks))
                refused.push_back(RefusalText(*pending.Block, GetDevStatus(), wanted.Blocks));
    });
    return refused;
}

void NoteFailure(const BlockWrite& block, bool written, std::uint32_t status, ApplyResult& result)
{
    result.Failed = block.Name;
    if (!written && (status & kStatusStore) == kStatusStore)
        result.Reason = "The library refused the block (status " + StatusText(status) + ")";
    else if (written)
        result.Reason = "The sensor did not take the extension set (status " + StatusText(status) + ")";
    else
        result.Reason = "The write failed (status " + StatusText(status) + ")";
}

bool WriteOne(ConfigModel& model, const BlockWrite& block, ApplyResult& result)
{
    const bool written = (model.*block.Write)() != 0;
    const std::uint32_t status = GetDevStatus();
    if (written && !(block.Extension && (status & kStatusWriteConfigFailed))) {
        result.Written.push_back(block.Name);
        return true;
    }
    NoteFailure(block, written, status, result);
    return false;
}

bool LuidChanges(const SensorConfig& current, const SensorConfig& wanted, const ApplyOptions& options)
{
    return options.WriteLuid && wanted.Luid != current.Luid;
}

// The write pass proper; stops at the first failure and lists what is left.
void WriteBlocks(Session& session, int slot, const std::vector<PendingWrite>& blocks,
                 const SensorConfig& wanted, bool writeLuid, ApplyResult& result)
{
    SelectDev(static_cast<std::int16_t>(slot));
    ConfigModel model;
    model.EditCfg = wanted.Blocks;
    model.EditLuid = wanted.Luid;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (!WriteOne(model, *blocks[i].Block, result)) {
            for (std::size_t j = i + 1; j < blocks.size(); ++j)
                result.NotWritten.push_back(blocks[j].Block->Name);
            if (writeLuid) result.NotWritten.push_back(kLuid);
            return;
        }
        const bool pageEnds = i + 1 == blocks.size() || blocks[i + 1].Page != blocks[i].Page;
        if (pageEnds) session.Platform().sleepMs(kPageWriteSettleMs);
    }
    if (!writeLuid) return;
    if (!model.WriteLuidToDevice()) {
        result.Failed = kLuid;
        result.Reason = "The write failed (status " + StatusText(GetDevStatus()) + ")";
        return;
    }
    result.Written.push_back(kLuid);
    session.Platform().sleepMs(kPageWriteSettleMs);
}

// What the sensor should give back: wanted's blocks through the wire's
// mapping, in a copy of the sensor's slot.
ConfigSet HeldAfterWrite(int slot, const ConfigSet& wanted)
{
    tsDevSlot record = DevRecord(static_cast<std::int16_t>(slot));
    PutBlocks(record, wanted);
    RoundTripBlocks(record);
    return BlocksOf(record);
}

const BlockWrite* FindBlock(const std::string& name)
{
    for (const auto& page : kPages)
        for (const BlockWrite& block : page)
            if (name == block.Name) return &block;
    return nullptr;
}

// "ping-rate: written 600, the sensor holds 604"
std::vector<std::string> DifferencesBetween(const SensorConfig& expected, const SensorConfig& held)
{
    std::vector<std::string> differences;
    for (const SettingChange& change : SettingChanges(expected, held))
        differences.push_back(change.Name + ": written " + change.FromText + ", the sensor holds " +
                              change.ToText);
    return differences;
}

// One read of the sensor after the writes, compared over what was written.
void CheckReadBack(Session& session, int slot, const SensorConfig& wanted, ApplyResult& result)
{
    const ConfigSet held = HeldAfterWrite(slot, wanted.Blocks);
    SensorConfig readBack;
    // Extension sets that were written and did not read back are not checked.
    const bool extensionWritten = std::ranges::any_of(result.Written, [](const std::string& name) {
        return FindBlock(name) && FindBlock(name)->Extension;
    });
    if (!session.Read(slot, readBack) || (extensionWritten && !readBack.ExtensionSetsRead)) {
        result.ReadBackFailed = true;
        return;
    }
    SensorConfig expected = readBack;
    for (const std::string& name : result.Written) {
        if (name == kLuid)
            expected.Luid = wanted.Luid;
        else
            FindBlock(name)->Copy(expected.Blocks, held);
    }
    result.Differences = DifferencesBetween(expected, readBack);
}

// An extension set without key sets stays as the sensor holds it; one with
// key sets cannot be written to a sensor that refuses them.
template <auto Member>
void KeepOrRefuseExtensionSet(const SensorConfig& current, SensorConfig& wanted, const char* name,
                              std::vector<std::string>& refused)
{
    if (wanted.Blocks.*Member == current.Blocks.*Member) return;
    if (KeySetsOf(ConstKeyBlock((wanted.Blocks.*Member).Words), kExtensionKeyLayout).empty()) {
        wanted.Blocks.*Member = current.Blocks.*Member;
        return;
    }
    refused.push_back(std::string(name) + " has key sets, and the sensor refuses the extension sets");
}

void KeepToExtensionSupport(const SensorConfig& current, SensorConfig& wanted,
                            std::vector<std::string>& refused)
{
    if (current.ExtensionSetsRead) return;
    KeepOrRefuseExtensionSet<&ConfigSet::WalkAwayEx>(current, wanted, "WalkAwayEx: walk-away-ext-keys",
                                                     refused);
    KeepOrRefuseExtensionSet<&ConfigSet::WalkUpEx>(current, wanted, "WalkUpEx: walk-to-ext-keys", refused);
}

std::string Joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "none" : text;
}

std::vector<std::string> BlockNames(const std::vector<PendingWrite>& blocks)
{
    std::vector<std::string> names;
    for (const PendingWrite& pending : blocks) names.push_back(pending.Block->Name);
    return names;
}

}  // namespace

std::vector<SettingChange> SettingChanges(const SensorConfig& from, const SensorConfig& to)
{
    std::vector<SettingChange> changes;
    for (const Setting& setting : Settings()) {
        SettingValue before = ValueOf(setting, from);
        SettingValue after = ValueOf(setting, to);
        if (before == after) continue;
        changes.push_back({setting.Name, std::move(before), std::move(after), ArgumentTextOf(setting, from),
                           ArgumentTextOf(setting, to)});
    }
    if (!changes.empty()) return changes;
    for (const TemplateField& field : TemplateFields()) {
        const std::uint32_t before = FieldWord(from.Blocks, field);
        const std::uint32_t after = FieldWord(to.Blocks, field);
        if (before == after) continue;
        changes.push_back({std::string(field.Name), SettingValue(before), SettingValue(after),
                           std::to_string(before), std::to_string(after)});
    }
    return changes;
}

ApplyResult ApplyConfig(Session& session, int slot, const SensorConfig& current, SensorConfig wanted,
                        const ApplyOptions& options)
{
    ApplyResult result;
    KeepToExtensionSupport(current, wanted, result.Refused);
    SensorConfig compared = wanted;
    if (options.CompareAsHeld) compared.Blocks = HeldAfterWrite(slot, wanted.Blocks);
    const std::vector<PendingWrite> blocks = ChangedBlocks(current, compared);
    // Every block that differs as given is offered, also one whose value the
    // sensor would hold as it holds now: a refused value is named, not skipped.
    for (std::string& refusal : RefusedBlocks(slot, ChangedBlocks(current, wanted), wanted))
        result.Refused.push_back(std::move(refusal));
    if (!result.Refused.empty()) return result;
    result.Changed = BlockNames(blocks);
    result.Changes = SettingChanges(current, compared);

    const bool writeLuid = LuidChanges(current, wanted, options);
    if (!options.Write) return result;
    session.Platform().BeginOperation("Writing " + session.Name(slot));
    WriteBlocks(session, slot, blocks, wanted, writeLuid, result);
    session.Platform().EndOperation();
    if (result.Failed.empty() && !result.Written.empty() && options.Verify)
        CheckReadBack(session, slot, wanted, result);
    return result;
}

std::string ApplyText(const ApplyResult& result)
{
    if (!result.Written.empty()) return "wrote " + Joined(result.Written);
    if (!result.Changed.empty()) return "would write " + Joined(result.Changed);
    return "already up to date";
}

std::vector<std::string> FailureLines(const ApplyResult& result)
{
    std::vector<std::string> lines;
    if (!result.Refused.empty()) {
        for (const std::string& refusal : result.Refused) lines.push_back("refused: " + refusal);
        lines.push_back("nothing written");
        return lines;
    }
    if (!result.Failed.empty()) {
        lines.push_back(WriteFailedMessage(result.Failed) + " " + result.Reason);
        lines.push_back("written: " + Joined(result.Written) + "; failed: " + result.Failed +
                        "; not written: " + Joined(result.NotWritten));
        return lines;
    }
    if (result.ReadBackFailed) {
        lines.push_back("written: " + Joined(result.Written) + "; not checked: the read-back failed");
        return lines;
    }
    for (const std::string& difference : result.Differences) lines.push_back("read back: " + difference);
    lines.push_back("written: " + Joined(result.Written) + "; the sensor does not hold what was written");
    return lines;
}

}  // namespace cli
