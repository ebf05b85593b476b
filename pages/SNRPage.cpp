#include "SNRPage.h"

#include <algorithm>
#include <span>

#include "UiServices.h"
#include "config/BlockWriters.h"
#include "config/ConfigModel.h"
#include "config/SonarSettings.h"
#include "resources/SonarControls.h"

using namespace sonar;

namespace {

// Shown with the full layout only; the compact variant hides them.
constexpr int kFullLayoutControls[] = {
    PingRate,        PingRateLabel,  PingRateNote,         MinDist,
    MinDistFault,    MinDistLabel,   MinDistNote,          MaxDist,
    MaxDistLabel,    MaxDistNote,    StillTargetGroup,     DetectDeadTarget,
    DeadTargetDelta, DeadTargetTime, DeadTargetDeltaLabel, DeadTargetTimeLabel,
    LedGroup,        NoInRangeLed,   NoOutOfRangeLed,      NoTransitionLed,
};

// Carried through the fill and collect steps, never shown.
constexpr int kNeverShownControls[] = {Cycles, CyclesLabel, Blanking, BlankingLabel};

// A box that shows one switch of the settings table.
struct SwitchBox {
    int Id;
    const SonarSetting* Setting;
};

// "No ... LED": checked while the indicator is off.
constexpr SwitchBox kLedBoxes[] = {
    {NoInRangeLed, &kInRangeLed}, {NoOutOfRangeLed, &kOutOfRangeLed}, {NoTransitionLed, &kTransitionLed}};

constexpr SwitchBox kSwitchBoxes[] = {{MinDistFault, &kMinDistanceFault},
                                      {DetectDeadTarget, &kDeadTarget},
                                      {OutOfRangeMinutes, &kOutOfRangeDelayUnit},
                                      {InRangeMinutes, &kInRangeDelayUnit}};

constexpr int kAdvancedControls[] = {Blanking,        PingRate,       MinDistFault, DetectDeadTarget,
                                     DeadTargetDelta, DeadTargetTime, PowerUpDelay};

// The page's four change flags, all set only by this page.
constexpr std::uint32_t ConfigModel::*kPageFlags[] = {
    &ConfigModel::SonarChanged,
    &ConfigModel::IdleChangedBySonar,
    &ConfigModel::WalkAwayChangedBySonar,
    &ConfigModel::WalkUpChangedBySonar,
};

// One block the apply step writes: the flag that asks for it and the flag of
// the page that owns the block, whose pending write defers this one.
struct PlannedWrite {
    std::uint32_t ConfigModel::*Flag;
    std::uint32_t ConfigModel::*HeldBy;
    TemplateBlock Block;
};

constexpr PlannedWrite kWritePlan[] = {
    {&ConfigModel::SonarChanged, nullptr, TemplateBlock::Sonar},
    {&ConfigModel::IdleChangedBySonar, nullptr, TemplateBlock::Idle},
    {&ConfigModel::WalkAwayChangedBySonar, &ConfigModel::WalkAwayChanged, TemplateBlock::WalkAway},
    {&ConfigModel::WalkUpChangedBySonar, &ConfigModel::WalkUpChanged, TemplateBlock::WalkUp},
};

const SwitchBox* BoxOf(std::span<const SwitchBox> boxes, int id)
{
    const auto box = std::ranges::find(boxes, id, &SwitchBox::Id);
    return box == boxes.end() ? nullptr : &*box;
}

// The page's change flag that asks for a block's write.
std::uint32_t ConfigModel::*ChangeFlagOf(TemplateBlock block)
{
    return std::ranges::find(kWritePlan, block, &PlannedWrite::Block)->Flag;
}

}  // namespace

SNRPage::SNRPage(PageContext context, QWidget* parent) : PropertyPage(res::SonarDialog(), context, parent) {}

void SNRPage::OnInitDialog()
{
    LayoutStep();
    AdvancedStep(false);
    FillStep();
}

bool SNRPage::OnSetActive()
{
    if (!model().ConfigLoaded) {
        SetModified(false);
        SetAllFlags(0);
    } else if (!AnyFlagSet()) {
        FillStep();
    }
    return PropertyPage::OnSetActive();
}

void SNRPage::OnPageCommand(PageCommand command, int argument)
{
    switch (command) {
        case PageCommand::Refresh:
            LayoutStep();
            if (argument != kReadBack) AdvancedStep(false);
            FillStep();
            if (argument == kRestoredFromFile) {
                SetAllFlags(1);
                SetModified();
            }
            break;
        case PageCommand::AdvancedSettings:
            AdvancedStep(argument != kAdvancedHidden);
            break;
        case PageCommand::QuickSetup:
            break;
    }
}

bool SNRPage::OnApply()
{
    if (AnyFlagSet()) {
        const DeviceOperation operation = deviceOperation(QStringLiteral("Writing the Sonar settings…"));
        CollectStep();
        WriteChangedBlocks();
    }
    return true;
}

// ---- Layout --------------------------------------------------------------

void SNRPage::LayoutStep()
{
    const bool separate = SeparateDelays();
    for (const SwitchBox& led : kLedBoxes) EnableDlgItem(led.Id, separate);
    const QString delayNote =
        separate ? QStringLiteral("( 0 to 255 sec )") : QStringLiteral("( 0 to 15 sec )");
    SetDlgItemText(InRangeDelayNote, delayNote);
    SetDlgItemText(OutOfRangeDelayNote, delayNote);

    for (int id : kNeverShownControls) ShowDlgItem(id, false);

    const bool full = model().DeviceVariant != kCompactDeviceVariant;
    for (int id : kFullLayoutControls) ShowDlgItem(id, full);
    if (full) {
        EnableDlgItem(MinDist, true);
        EnableDlgItem(MaxDist, true);
    }
}

void SNRPage::AdvancedStep(bool enabled)
{
    const bool compact = model().DeviceVariant == kCompactDeviceVariant;
    for (int id : kAdvancedControls) EnableDlgItem(id, enabled && (!compact || id == PowerUpDelay));
}

// ---- Fill ------------------------------------------------------------------

void SNRPage::FillStep()
{
    if (!model().ConfigLoaded) {
        ShowNoSensor();
        return;
    }
    setEnabled(true);
    BusyCursor busy(ui());
    const ConfigSet& cfg = model().EditCfg;

    FillLedFlags();
    SetDlgItemInt(PingRate, ValueIn(cfg, kPingRate));
    SetDlgItemInt(Cycles, cfg.Sonar[Reserved1S]);
    SetDlgItemInt(MinDist, ValueIn(cfg, kMinDistance));
    SetDlgItemInt(MaxDist, ValueIn(cfg, kMaxDistance));
    FillDelays();
    for (const SwitchBox& box : kSwitchBoxes) CheckDlgButton(box.Id, IsOn(cfg, *box.Setting));
    SetDlgItemInt(DeadTargetDelta,
                  DeltaInchesFromUnits(static_cast<std::uint16_t>(ValueIn(cfg, kDeadTargetDelta))));
    SetDlgItemInt(DeadTargetTime, ValueIn(cfg, kDeadTargetTime));
    SetDlgItemInt(Blanking, cfg.Idle[SNBlankTmI]);
    SetDlgItemInt(PowerUpDelay, ValueIn(cfg, kPowerUpDelay));

    // Writing the edits raised their change handling; what the page shows now
    // is what the model holds.
    SetModified(false);
    SetAllFlags(0);
}

// Nothing to show and nothing to write to: the page is emptied and
// unavailable until a sensor is read; nothing stays pending.
void SNRPage::ShowNoSensor()
{
    ClearControlValues();
    setEnabled(false);
    SetModified(false);
    SetAllFlags(0);
}

void SNRPage::FillLedFlags()
{
    const ConfigSet& cfg = model().EditCfg;
    if (SeparateDelays()) {
        for (const SwitchBox& led : kLedBoxes) CheckDlgButton(led.Id, !IsOn(cfg, *led.Setting));
    } else {
        SetDlgItemInt(RawLedFlags, cfg.Sonar[LEDFlagsS]);
    }
}

void SNRPage::FillDelays()
{
    const ConfigSet& cfg = model().EditCfg;
    SetDlgItemInt(InRangeDelay, ValueIn(cfg, DelayOnThisSensor(kInRangeDelay)));
    SetDlgItemInt(OutOfRangeDelay, ValueIn(cfg, DelayOnThisSensor(kOutOfRangeDelay)));
    if (!SeparateDelays()) SetDlgItemInt(RawInRangeDelay, cfg.Sonar[IRDBTmS]);
}

// ---- Change handling -------------------------------------------------------

void SNRPage::OnEditChanged(int id)
{
    ConfigModel& m = model();
    ConfigSet& cfg = m.EditCfg;
    if (id >= RawLedFlags && id <= OutOfRangeDelay) {
        if (id == MinDist || id == MaxDist) detectionWindow_.publish(TypedDetectionWindow());
        m.SonarChanged = 1;
    } else if (id == DeadTargetDelta) {
        StoreIn(cfg, kDeadTargetDelta, DeltaUnitsFromInches(LimitedNumber(id, kDeadTargetDelta.Limit)));
        m.IdleChangedBySonar = 1;
    } else if (id == DeadTargetTime) {
        StoreIn(cfg, kDeadTargetTime, LimitedNumber(id, kDeadTargetTime.Limit));
        m.IdleChangedBySonar = 1;
    } else if (id == Blanking) {
        cfg.Idle[SNBlankTmI] = static_cast<std::uint16_t>(LimitedNumber(id, kByteLimit));
        m.IdleChangedBySonar = 1;
    } else {
        return;
    }
    SetModified();
}

void SNRPage::OnButtonClicked(int id)
{
    ConfigModel& m = model();
    if (BoxOf(kLedBoxes, id)) {
        m.SonarChanged = 1;
    } else if (const SwitchBox* box = BoxOf(kSwitchBoxes, id)) {
        StoreSwitch(m.EditCfg, *box->Setting, IsDlgButtonChecked(id));
        m.*ChangeFlagOf(box->Setting->Block) = 1;
        // The fault switch is written with the Sonar block as well.
        if (id == MinDistFault) m.SonarChanged = 1;
    } else {
        return;
    }
    SetModified();
}

// ---- Collect ---------------------------------------------------------------

void SNRPage::CollectStep()
{
    ConfigModel& m = model();
    if (m.SonarChanged) {
        CollectLedFlags();
        CollectPingRate();
        CollectDistances();
        CollectDelays();
        CollectPowerUpDelay();
    }
    for (const SwitchBox& box : kSwitchBoxes)
        if (m.*ChangeFlagOf(box.Setting->Block))
            StoreSwitch(m.EditCfg, *box.Setting, IsDlgButtonChecked(box.Id));
    if (m.IdleChangedBySonar) CollectIdleNumbers();
}

void SNRPage::CollectLedFlags()
{
    ConfigSet& cfg = model().EditCfg;
    if (SeparateDelays()) {
        // The three boxes make up the whole word.
        cfg.Sonar[LEDFlagsS] = 0;
        for (const SwitchBox& led : kLedBoxes) StoreSwitch(cfg, *led.Setting, !IsDlgButtonChecked(led.Id));
    } else {
        cfg.Sonar[LEDFlagsS] = GetDlgItemInt(RawLedFlags) & kLedFlagsMask;
    }
}

void SNRPage::CollectPingRate()
{
    StoreIn(model().EditCfg, kPingRate, CorrectedEntry(PingRate, kPingRate));
}

void SNRPage::CollectDistances()
{
    const DetectionWindow window = TypedDetectionWindow();
    ConfigSet& cfg = model().EditCfg;
    StoreIn(cfg, kMinDistance, window.MinInches);
    StoreIn(cfg, kMaxDistance, window.MaxInches);
    SetDlgItemInt(MinDist, window.MinInches);
    SetDlgItemInt(MaxDist, window.MaxInches);
}

DetectionWindow SNRPage::TypedDetectionWindow() const
{
    return LimitedDetectionWindow(GetDlgItemInt(MinDist), GetDlgItemInt(MaxDist));
}

void SNRPage::CollectDelays()
{
    const std::uint32_t inRangeDelay = CorrectedEntry(InRangeDelay, DelayOnThisSensor(kInRangeDelay));
    const std::uint32_t outOfRangeDelay =
        CorrectedEntry(OutOfRangeDelay, DelayOnThisSensor(kOutOfRangeDelay));
    ConfigSet& cfg = model().EditCfg;
    StoreDelays(cfg, model().DeviceFw, inRangeDelay, outOfRangeDelay);
    // Carried, not typed: the byte the sensor would get from the word unchanged.
    if (!SeparateDelays())
        cfg.Sonar[IRDBTmS] = static_cast<std::uint16_t>(GetDlgItemInt(RawInRangeDelay) & kByteLimit);
}

void SNRPage::CollectPowerUpDelay()
{
    StoreIn(model().EditCfg, kPowerUpDelay, CorrectedEntry(PowerUpDelay, kPowerUpDelay));
}

void SNRPage::CollectIdleNumbers()
{
    ConfigSet& cfg = model().EditCfg;
    StoreIn(cfg, kDeadTargetDelta, DeltaUnitsFromInches(CorrectedEntry(DeadTargetDelta, kDeadTargetDelta)));
    StoreIn(cfg, kDeadTargetTime, CorrectedEntry(DeadTargetTime, kDeadTargetTime));
    cfg.Idle[SNBlankTmI] = static_cast<std::uint16_t>(CorrectedNumber(Blanking, kByteLimit));
}

// ---- Apply -------------------------------------------------------------------

void SNRPage::WriteChangedBlocks()
{
    ConfigModel& m = model();
    for (const PlannedWrite& block : kWritePlan) {
        if (!(m.*block.Flag) || (block.HeldBy && m.*block.HeldBy)) continue;
        const BlockWriter& writer = BlockWriterOf(block.Block);
        if (!(m.*writer.Write)()) {
            // The model clears a block's own flag before it talks to the
            // sensor; keep it and the page's mark so the next Apply retries.
            m.*block.Flag = 1;
            SetModified();
            ui().messageBox(this, QString::fromStdString(WriteFailedMessage(writer.Name)));
            return;
        }
        sleepMs(kWriteSettleMs);
        SetModified(false);
        m.*block.Flag = 0;
    }
}

// ---- Helpers -----------------------------------------------------------------

bool SNRPage::AnyFlagSet() const
{
    return std::ranges::any_of(kPageFlags, [this](auto flag) { return model().*flag != 0; });
}

void SNRPage::SetAllFlags(std::uint32_t value)
{
    for (auto flag : kPageFlags) model().*flag = value;
}

bool SNRPage::SeparateDelays() const
{
    return sonar::SeparateDelays(model().DeviceFw);
}

std::uint32_t SNRPage::LimitedNumber(int id, std::uint32_t limit) const
{
    return HeldAt(GetDlgItemInt(id), limit);
}

const SonarSetting& SNRPage::DelayOnThisSensor(const SonarSetting& delay) const
{
    return *OnFirmware(delay, model().DeviceFw);
}

std::uint32_t SNRPage::CorrectedEntry(int id, const SonarSetting& setting)
{
    const limits::HeldNumber held = CorrectTyped(setting, GetDlgItemInt(id));
    if (held.Message.empty()) return held.Value;
    ui().messageBox(this, QString::fromStdString(held.Message),
                    QString::fromLatin1(CorrectionCaption(setting)));
    SetDlgItemInt(id, held.Value);
    return held.Value;
}

std::uint32_t SNRPage::CorrectedNumber(int id, std::uint32_t limit)
{
    const std::uint32_t value = GetDlgItemInt(id);
    if (value <= limit) return value;
    SetDlgItemInt(id, limit);
    return limit;
}
