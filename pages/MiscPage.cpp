#include "MiscPage.h"

#include <QAbstractButton>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <limits>

#include "MiscControls.h"
#include "QuickSetupPresets.h"
#include "RangePlot.h"
#include "RangeView.h"
#include "SNRPage.h"
#include "UiServices.h"
#include "WAPage.h"
#include "WUPage.h"
#include "config/ConfigModel.h"
#include "config/TemplateFile.h"

using namespace misc;

namespace {

constexpr std::uint32_t kInitialRangeRateMs = 500;

const QString kResetAllQuestion = QStringLiteral(
    "The sensor's configuration will be replaced by its factory defaults: every key sequence and "
    "detection setting on the sensor is lost, and this cannot be undone.\n\nReset the sensor now?");
// With other sensors attached the question names the one it is about.
const QString kResetNamedSensorQuestion = QStringLiteral(
    "The configuration of the sensor %1 will be replaced by its factory defaults: every key sequence and "
    "detection setting on that sensor is lost, and this cannot be undone. The other sensors keep "
    "theirs.\n\nReset the sensor %1 now?");

constexpr int kSensorActions[] = {ResetAll,   RestoreDefaults,   SaveDefaults,      AdvancedSettings,
                                  QuickWin2K, QuickWinXPWelcome, QuickWinXPClassic, QuickVista,
                                  SaveClone,  WriteClone,        SaveToFile,        RestoreFromFile,
                                  Luid,       SaveLuid};

constexpr int kQuickSetupButtons[] = {QuickWin2K, QuickWinXPClassic, QuickWinXPWelcome, QuickVista,
                                      QuickWin98};

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// The message's own text, then what went wrong with which file.
QString WithReason(const char* text, const std::string& reason)
{
    return QStringLiteral("%1\n\n%2").arg(QString::fromUtf8(text), QFile::decodeName(reason.c_str()));
}

}  // namespace

MiscPage::MiscPage(PageContext context, WAPage& walkAway, WUPage& walkTo, SNRPage& sonar, QWidget* parent)
    : PropertyPage(res::MiscDialog(), context, parent), walkAway_(walkAway), walkTo_(walkTo), sonar_(sonar)
{
}

void MiscPage::OnInitDialog()
{
    range_ = new RangeView(
        {item(RangeGroup), qobject_cast<QAbstractButton*>(item(GetRange)),
         qobject_cast<QLineEdit*>(item(RangeText)), qobject_cast<QAbstractButton*>(item(AutoGetRange)),
         item(RangeRate), item(RangeRateLabel)},
        model(), ui(), host(), this);
    rangePlot_ = new RangePlot(*range_, sonar_.detectionWindowShown(), ui(), this);
    // The reading box has no label of its own: named beside its group's title.
    item(RangeText)->setAccessibleName(QStringLiteral("View Range: latest reading"));
    ShowDlgItem(QuickWin98, false);
    SetDlgItemInt(RangeRate, kInitialRangeRateMs);
    RefreshStep();
}

void MiscPage::OnPageCommand(PageCommand command, int argument)
{
    if (command != PageCommand::Refresh) return;
    RefreshStep();
    // Every page turns its advanced controls off on a refresh by itself, but
    // for a read-back.
    if (argument != kReadBack) CheckDlgButton(AdvancedSettings, false);
}

void MiscPage::RefreshStep()
{
    const bool rangeShown = model().DeviceVariant != kCompactDeviceVariant;
    range_->FollowEditedSensor();
    range_->SetShown(rangeShown);
    ShowDlgItem(RangeWindowButton, rangeShown);
    OfferSensorActions(model().ConfigLoaded != 0);
    if (model().ConfigLoaded)
        SetDlgItemInt(Luid, model().EditLuid);
    else
        SetDlgItemText(Luid, QString());
    // Filling the LUID edit raised its change handling; the page shows the model.
    SetModified(false);
    model().LuidChanged = 0;
}

// The actions that work on the sensor are unavailable without one, and the
// range shown last is not the sensor's any more. The clone buffer, "Clone
// Data Saved" and the range rate stay as they are. Timed readings that ran
// when the sensor went end in their trap, which the user clears with the box;
// until then the box stays available.
void MiscPage::OfferSensorActions(bool offered)
{
    for (int id : kSensorActions) EnableDlgItem(id, offered);
    if (offered) return;
    SetDlgItemText(RangeText, QString());
    if (IsDlgButtonChecked(AutoGetRange)) return;
    for (int id : {GetRange, AutoGetRange}) EnableDlgItem(id, false);
}

void MiscPage::OnEditChanged(int id)
{
    if (id != Luid) return;
    model().LuidChanged = 1;
    SetModified();
}

void MiscPage::OnButtonClicked(int id)
{
    switch (id) {
        case ResetAll:
            ResetAllClicked();
            break;
        case RestoreDefaults:
            RestoreDefaultsClicked();
            break;
        case SaveDefaults:
            SaveDefaultsClicked();
            break;
        case AdvancedSettings:
            AdvancedSettingsClicked();
            break;
        case QuickWin2K:
        case QuickWinXPWelcome:
        case QuickWin98:
        case QuickWinXPClassic:
        case QuickVista:
            QuickSetupClicked(id);
            break;
        case GetRange:
            range_->GetRangeClicked();
            break;
        case AutoGetRange:
            range_->AutoGetRangeClicked(GetDlgItemInt(RangeRate));
            if (!model().ConfigLoaded) OfferSensorActions(false);
            break;
        case RangeWindowButton:
            rangePlot_->Open();
            break;
        case SaveClone:
            SaveCloneClicked();
            break;
        case WriteClone:
            WriteCloneClicked();
            break;
        case SaveToFile:
            SaveToFileClicked();
            break;
        case RestoreFromFile:
            RestoreFromFileClicked();
            break;
        case SaveLuid:
            TakeTypedLuid();
            break;
        default:
            break;
    }
}

// ---- Reset, user defaults, advanced settings and quick setup -----------------

// The reset cannot be undone, so the user confirms it first; Cancel is the default.
void MiscPage::ResetAllClicked()
{
    const QString sensor = host().editedSensorAmongOthers();
    const QString question = sensor.isEmpty() ? kResetAllQuestion : kResetNamedSensorQuestion.arg(sensor);
    const Answer answer = ui().question(this, question, {Answer::Yes, Answer::Cancel}, Answer::Cancel,
                                        QStringLiteral("Reset All"));
    if (answer != Answer::Yes) return;
    RunStoredConfigCommand(&ConfigModel::ResetDeviceToFactory,
                           QStringLiteral("Resetting the sensor to factory defaults…"),
                           "Failed to Reset the device to factory defaults!");
}

void MiscPage::RestoreDefaultsClicked()
{
    if (model().DeviceFw < kFirstUserDefaultsFw) {
        ui().messageBox(this, QStringLiteral("This Feature is not supported on your Firmware Version!"));
        return;
    }
    RunStoredConfigCommand(&ConfigModel::RestoreUserDefaults, QStringLiteral("Restoring the user defaults…"),
                           "Failed to Restore User Defaults!");
}

void MiscPage::SaveDefaultsClicked()
{
    if (model().DeviceFw < kFirstUserDefaultsFw) {
        ui().messageBox(this, QStringLiteral("This Feature is not supported on your current Firmware!"));
        return;
    }
    RunStoredConfigCommand(&ConfigModel::SaveUserDefaults, QStringLiteral("Saving the user defaults…"),
                           "Failed to Save User Defaults!");
}

// A failure leaves the pages as they are; the failed re-read may have cleared
// the model, which the next arrival or refresh shows.
void MiscPage::RunStoredConfigCommand(int (ConfigModel::*command)(), const QString& words,
                                      const char* failureText)
{
    const DeviceOperation operation = deviceOperation(words);
    if (!(model().*command)()) {
        ui().messageBox(this, QString::fromUtf8(failureText));
        return;
    }
    sleepMs(kWriteSettleMs);
    ClearQuickSetupButtons();
    host().sendPageCommand(PageCommand::Refresh, kReadFromSensor);
}

void MiscPage::AdvancedSettingsClicked()
{
    host().sendPageCommand(PageCommand::AdvancedSettings,
                           IsDlgButtonChecked(AdvancedSettings) ? kAdvancedShown : kAdvancedHidden);
}

// The preset reaches the key sets of the sequence pages only; nothing is sent
// to the sensor before Apply.
void MiscPage::QuickSetupClicked(int id)
{
    const QuickSetupPreset* preset = QuickSetupPresetForButton(id);
    if (!model().ConfigLoaded || !preset) {
        CheckDlgButton(id, false);
        return;
    }
    host().sendPageCommand(PageCommand::QuickSetup, preset->Number);
}

void MiscPage::ClearQuickSetupButtons()
{
    for (int id : kQuickSetupButtons) CheckDlgButton(id, false);
}

// ---- Cloning ---------------------------------------------------------------

void MiscPage::SaveCloneClicked()
{
    model().SaveCloneCfg();
    CheckDlgButton(CloneSaved, true);
}

// The sensor written is the one the pages show, so it is read back and every
// page shows the configuration it now holds.
void MiscPage::WriteCloneClicked()
{
    if (!IsDlgButtonChecked(CloneSaved)) {
        ui().messageBox(this, QStringLiteral("Data NOT Saved!"));
        return;
    }
    const DeviceOperation operation = deviceOperation(QStringLiteral("Writing the saved configuration…"));
    if (!model().WriteCloneToDevice()) {
        ui().messageBox(this, QStringLiteral("Failed to Write Saved Data to Device!"));
        return;
    }
    model().ReadConfigFmDevice();
    host().sendPageCommand(PageCommand::Refresh, kReadFromSensor);
}

// ---- Configuration file ----------------------------------------------------

// Saves what the pages show; nothing is sent to the sensor and the pages'
// pending changes stay pending.
void MiscPage::SaveToFileClicked()
{
    const QString path = ui().chooseFileToSave(this, SuggestedTemplateName());
    if (path.isEmpty()) return;
    CollectAllPages();
    if (!model().PushConfigToLib()) {
        ui().messageBox(this, QStringLiteral("Failed PushConfigToLib!"));
        return;
    }
    if (std::string reason; !WriteDevCfgToFile(LocalPath(path), &reason)) {
        ui().messageBox(this, WithReason("Failed WriteDevCfgToFile!", reason));
        return;
    }
    host().confirm(QStringLiteral("Saved the configuration to %1").arg(QDir::toNativeSeparators(path)));
}

// The sensor's LUID and the day, so that files of several sensors and days
// keep apart: "tolvane-luid5-2026-12-10.txt".
QString MiscPage::SuggestedTemplateName() const
{
    return QStringLiteral("tolvane-luid%1-%2.txt")
        .arg(model().EditLuid)
        .arg(QDate::currentDate().toString(Qt::ISODate));
}

// The pages show the file's configuration and mark every block changed, so
// the next Apply writes it; until then the sensor keeps its own. The file is
// read into the library's record of the sensor, so without a sensor there is
// nothing to restore into.
void MiscPage::RestoreFromFileClicked()
{
    if (!model().ConfigLoaded) {
        ui().messageBox(this, QStringLiteral("Device not connected?"), QStringLiteral("Device Error"),
                        MessageIcon::Exclamation);
        return;
    }
    const QString path = ui().chooseFile(this, FileChooser::Open);
    if (path.isEmpty()) return;
    if (std::string reason; !ReadDevCfgFmFile(LocalPath(path), &reason)) {
        ui().messageBox(this, WithReason("Failed ReadDevCfgFmFile!", reason));
        return;
    }
    if (!model().PullConfigFmLib()) {
        ui().messageBox(this, QStringLiteral("Failed PullConfigFmLib!"));
        return;
    }
    host().sendPageCommand(PageCommand::Refresh, kRestoredFromFile);
    host().confirm(QStringLiteral("Restored the configuration from %1: Apply writes it to the sensor")
                       .arg(QDir::toNativeSeparators(path)));
}

void MiscPage::CollectAllPages()
{
    sonar_.CollectStep();
    walkAway_.CollectKeySets();
    walkTo_.CollectKeySets();
}

// ---- LUID ------------------------------------------------------------------

void MiscPage::TakeTypedLuid()
{
    model().EditLuid = TypedLuid();
}

// A number above the largest LUID is limited to it, and the edit shows so.
std::uint16_t MiscPage::TypedLuid()
{
    const std::uint32_t value = GetDlgItemInt(Luid);
    if (value <= kMaxLuid) return static_cast<std::uint16_t>(value);
    SetDlgItemInt(Luid, kMaxLuid);
    return kMaxLuid;
}

bool MiscPage::OnApply()
{
    TakeTypedLuid();
    if (!model().LuidChanged) return true;
    const DeviceOperation operation = deviceOperation(QStringLiteral("Writing the LUID…"));
    const bool written = model().WriteLuidToDevice();
    sleepMs(kWriteSettleMs);
    // A LUID the sensor did not take stays typed and marked, to apply again.
    if (!written) {
        ui().messageBox(this, QString::fromStdString(WriteFailedMessage("LUID")));
        return true;
    }
    SetModified(false);
    return true;
}
