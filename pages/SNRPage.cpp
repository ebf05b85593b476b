#include "SNRPage.h"

#include <algorithm>

#include "SonarControls.h"
#include "UiServices.h"
#include "config/ByteLimits.h"
#include "config/ConfigModel.h"
#include "config/DeadTargetDelta.h"
#include "config/SonarRules.h"

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

constexpr int kLedBoxes[] = {NoInRangeLed, NoOutOfRangeLed, NoTransitionLed};

constexpr int kAdvancedControls[] = {Blanking,        PingRate,       MinDistFault, DetectDeadTarget,
                                     DeadTargetDelta, DeadTargetTime, PowerUpDelay};

// The page's four change flags, all set only by this page.
constexpr std::uint32_t ConfigModel::*kPageFlags[] = {
    &ConfigModel::SonarChanged,
    &ConfigModel::IdleChangedBySonar,
    &ConfigModel::WalkAwayChangedBySonar,
    &ConfigModel::WalkUpChangedBySonar,
};

// One block the apply step writes: the flag that asks for it, the flag of the
// page that owns the block (whose pending write defers this one), the writer
// and the name its failure message gives.
struct BlockWrite {
    std::uint32_t ConfigModel::*Flag;
    std::uint32_t ConfigModel::*HeldBy;
    int (ConfigModel::*Write)();
    const char* Name;
};

constexpr BlockWrite kBlockWrites[] = {
    {&ConfigModel::SonarChanged, nullptr, &ConfigModel::WriteSonarToDevice, "Sonar"},
    {&ConfigModel::IdleChangedBySonar, nullptr, &ConfigModel::WriteIdleToDevice, "Idle"},
    {&ConfigModel::WalkAwayChangedBySonar, &ConfigModel::WalkAwayChanged, &ConfigModel::WriteWalkAwayToDevice,
     "WalkAway"},
    {&ConfigModel::WalkUpChangedBySonar, &ConfigModel::WalkUpChanged, &ConfigModel::WriteWalkUpToDevice,
     "WalkUp"},
};

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
            AdvancedStep(false);
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
    for (int id : kLedBoxes) EnableDlgItem(id, separate);
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
    SetDlgItemInt(PingRate, cfg.Sonar[PingRateS]);
    SetDlgItemInt(Cycles, cfg.Sonar[Reserved1S]);
    SetDlgItemInt(MinDist, cfg.Sonar[MinDistS]);
    SetDlgItemInt(MaxDist, cfg.Sonar[MaxDistS]);
    FillDelays();
    CheckDlgButton(MinDistFault, cfg.Idle[FlagsI] & kMinDistFaultBit);
    CheckDlgButton(DetectDeadTarget, cfg.Idle[FlagsI] & kDetectDeadTargetBit);
    SetDlgItemInt(DeadTargetDelta, DeltaInchesFromUnits(cfg.Idle[DMTODeltaI]));
    SetDlgItemInt(DeadTargetTime, cfg.Idle[DMTOTmI]);
    SetDlgItemInt(Blanking, cfg.Idle[SNBlankTmI]);
    CheckDlgButton(OutOfRangeMinutes, cfg.WalkAway[Flags0WA] & kMinutesBit);
    CheckDlgButton(InRangeMinutes, cfg.WalkUp[Flags0WU] & kMinutesBit);
    SetDlgItemInt(PowerUpDelay, cfg.Sonar[StartDlyS]);

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
    const std::uint16_t leds = model().EditCfg.Sonar[LEDFlagsS];
    if (SeparateDelays()) {
        CheckDlgButton(NoInRangeLed, leds & kLedInRangeBit);
        CheckDlgButton(NoOutOfRangeLed, leds & kLedOutOfRangeBit);
        CheckDlgButton(NoTransitionLed, leds & kLedTransitionBit);
    } else {
        SetDlgItemInt(RawLedFlags, leds);
    }
}

void SNRPage::FillDelays()
{
    const tsSonarParms& sonar = model().EditCfg.Sonar;
    if (SeparateDelays()) {
        SetDlgItemInt(InRangeDelay, sonar[IRDBTmS]);
        SetDlgItemInt(OutOfRangeDelay, sonar[ORDBTmS]);
    } else {
        SetDlgItemInt(InRangeDelay, PackedInRangeDelay(sonar[ORDBTmS]));
        SetDlgItemInt(OutOfRangeDelay, PackedOutOfRangeDelay(sonar[ORDBTmS]));
        SetDlgItemInt(RawInRangeDelay, sonar[IRDBTmS]);
    }
}

// ---- Change handling -------------------------------------------------------

void SNRPage::OnEditChanged(int id)
{
    ConfigModel& m = model();
    tsIdleParms& idle = m.EditCfg.Idle;
    if (id >= RawLedFlags && id <= OutOfRangeDelay) {
        if (id == MinDist || id == MaxDist) detectionWindow_.publish(TypedDetectionWindow());
        m.SonarChanged = 1;
    } else if (id == DeadTargetDelta) {
        idle[DMTODeltaI] = DeltaUnitsFromInches(LimitedNumber(id, kMaxDeltaInches));
        m.IdleChangedBySonar = 1;
    } else if (id == DeadTargetTime) {
        idle[DMTOTmI] = LimitedNumber(id, kByteLimit);
        m.IdleChangedBySonar = 1;
    } else if (id == Blanking) {
        idle[SNBlankTmI] = LimitedNumber(id, kByteLimit);
        m.IdleChangedBySonar = 1;
    } else {
        return;
    }
    SetModified();
}

void SNRPage::OnButtonClicked(int id)
{
    ConfigModel& m = model();
    const bool checked = IsDlgButtonChecked(id);
    switch (id) {
        case NoInRangeLed:
        case NoOutOfRangeLed:
        case NoTransitionLed:
            m.SonarChanged = 1;
            break;
        case MinDistFault:
            SetBits(m.EditCfg.Idle[FlagsI], kMinDistFaultBit, checked);
            m.SonarChanged = 1;
            m.IdleChangedBySonar = 1;
            break;
        case DetectDeadTarget:
            SetBits(m.EditCfg.Idle[FlagsI], kDetectDeadTargetBit, checked);
            m.IdleChangedBySonar = 1;
            break;
        case OutOfRangeMinutes:
            SetBits(m.EditCfg.WalkAway[Flags0WA], kMinutesBit, checked);
            m.WalkAwayChangedBySonar = 1;
            break;
        case InRangeMinutes:
            SetBits(m.EditCfg.WalkUp[Flags0WU], kMinutesBit, checked);
            m.WalkUpChangedBySonar = 1;
            break;
        default:
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
    if (m.IdleChangedBySonar) CollectIdle();
    if (m.WalkAwayChangedBySonar)
        SetBits(m.EditCfg.WalkAway[Flags0WA], kMinutesBit, IsDlgButtonChecked(OutOfRangeMinutes));
    if (m.WalkUpChangedBySonar)
        SetBits(m.EditCfg.WalkUp[Flags0WU], kMinutesBit, IsDlgButtonChecked(InRangeMinutes));
}

void SNRPage::CollectLedFlags()
{
    std::uint16_t& leds = model().EditCfg.Sonar[LEDFlagsS];
    if (SeparateDelays()) {
        leds = (IsDlgButtonChecked(NoInRangeLed) ? kLedInRangeBit : 0) |
               (IsDlgButtonChecked(NoOutOfRangeLed) ? kLedOutOfRangeBit : 0) |
               (IsDlgButtonChecked(NoTransitionLed) ? kLedTransitionBit : 0);
    } else {
        leds = GetDlgItemInt(RawLedFlags) & kLedFlagsMask;
    }
}

void SNRPage::CollectPingRate()
{
    const PingRateCorrection corrected = CorrectPingRate(GetDlgItemInt(PingRate));
    if (corrected.Message != nullptr) {
        ui().messageBox(this, QString::fromLatin1(corrected.Message),
                        QString::fromLatin1(kPingRateErrorCaption));
        SetDlgItemInt(PingRate, corrected.Rate);
    }
    model().EditCfg.Sonar[PingRateS] = corrected.Rate;
}

void SNRPage::CollectDistances()
{
    const DetectionWindow window = TypedDetectionWindow();
    tsSonarParms& sonar = model().EditCfg.Sonar;
    sonar[MinDistS] = static_cast<std::uint16_t>(window.MinInches);
    sonar[MaxDistS] = static_cast<std::uint16_t>(window.MaxInches);
    SetDlgItemInt(MinDist, window.MinInches);
    SetDlgItemInt(MaxDist, window.MaxInches);
}

DetectionWindow SNRPage::TypedDetectionWindow() const
{
    return LimitedDetectionWindow(GetDlgItemInt(MinDist), GetDlgItemInt(MaxDist));
}

void SNRPage::CollectDelays()
{
    tsSonarParms& sonar = model().EditCfg.Sonar;
    if (SeparateDelays()) {
        sonar[IRDBTmS] =
            static_cast<std::uint16_t>(HeldAtLimit(InRangeDelay, kByteLimit, limits::kInRangeDelay));
        sonar[ORDBTmS] =
            static_cast<std::uint16_t>(HeldAtLimit(OutOfRangeDelay, kByteLimit, limits::kOutOfRangeDelay));
    } else {
        const std::uint32_t inRange = HeldAtLimit(InRangeDelay, kPackedDelayLimit, limits::kInRangeDelay);
        const std::uint32_t outOfRange =
            HeldAtLimit(OutOfRangeDelay, kPackedDelayLimit, limits::kOutOfRangeDelay);
        sonar[ORDBTmS] = PackedDelays(inRange, outOfRange);
        // Carried, not typed: the byte the sensor would get from the word unchanged.
        sonar[IRDBTmS] = static_cast<std::uint16_t>(GetDlgItemInt(RawInRangeDelay) & kByteLimit);
    }
}

void SNRPage::CollectPowerUpDelay()
{
    model().EditCfg.Sonar[StartDlyS] =
        static_cast<std::uint16_t>(HeldAtLimit(PowerUpDelay, kByteLimit, limits::kPowerUpDelay));
}

void SNRPage::CollectIdle()
{
    tsIdleParms& idle = model().EditCfg.Idle;
    SetBits(idle[FlagsI], kMinDistFaultBit, IsDlgButtonChecked(MinDistFault));
    SetBits(idle[FlagsI], kDetectDeadTargetBit, IsDlgButtonChecked(DetectDeadTarget));
    idle[DMTODeltaI] =
        DeltaUnitsFromInches(HeldAtLimit(DeadTargetDelta, kMaxDeltaInches, limits::kDeadTargetDelta));
    idle[DMTOTmI] =
        static_cast<std::uint16_t>(HeldAtLimit(DeadTargetTime, kByteLimit, limits::kDeadTargetTime));
    idle[SNBlankTmI] = static_cast<std::uint16_t>(CorrectedNumber(Blanking, kByteLimit));
}

// ---- Apply -------------------------------------------------------------------

void SNRPage::WriteChangedBlocks()
{
    ConfigModel& m = model();
    for (const BlockWrite& block : kBlockWrites) {
        if (!(m.*block.Flag) || (block.HeldBy && m.*block.HeldBy)) continue;
        if (!(m.*block.Write)()) {
            // The model clears a block's own flag before it talks to the
            // sensor; keep it and the page's mark so the next Apply retries.
            m.*block.Flag = 1;
            SetModified();
            ui().messageBox(this, QString::fromStdString(WriteFailedMessage(block.Name)));
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

std::uint32_t SNRPage::HeldAtLimit(int id, std::uint32_t limit, const limits::ByteNumber& what)
{
    const limits::HeldNumber held = limits::HoldAtLimit(GetDlgItemInt(id), limit, what);
    if (held.Message.empty()) return held.Value;
    ui().messageBox(this, QString::fromStdString(held.Message),
                    QString::fromLatin1(limits::kEntryErrorCaption));
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
