#pragma once

// The Misc. page: reset and user defaults, advanced settings, quick setup,
// the range view, cloning, the configuration file and the LUID.

#include <cstdint>

#include "PropertyPage.h"

class WAPage;
class WUPage;
class SNRPage;
class RangeView;
class RangePlot;

class MiscPage : public PropertyPage {
    Q_OBJECT
public:
    // The Misc. page runs the other pages' collect steps before saving a file.
    MiscPage(PageContext context, WAPage& walkAway, WUPage& walkTo, SNRPage& sonar,
             QWidget* parent = nullptr);

    // Writes a typed LUID to the sensor.
    bool OnApply() override;
    void OnPageCommand(PageCommand command, int argument) override;

    // The plot of the range view's timed readings; exists once the page was created.
    const RangePlot* rangePlot() const { return rangePlot_; }

protected:
    void OnInitDialog() override;
    void OnEditChanged(int id) override;
    void OnButtonClicked(int id) override;

private:
    void RefreshStep();
    void OfferSensorActions(bool offered);

    // ---- Reset, user defaults, advanced settings and quick setup ----
    void ResetAllClicked();
    void RestoreDefaultsClicked();
    void SaveDefaultsClicked();
    // Runs a stored-configuration command; on success the quick-setup choice
    // is cleared and every page shows the sensor's configuration again.
    void RunStoredConfigCommand(int (ConfigModel::*command)(), const QString& words, const char* failureText);
    void AdvancedSettingsClicked();
    void QuickSetupClicked(int id);
    void ClearQuickSetupButtons();

    // ---- Cloning, files and the LUID ----
    void SaveCloneClicked();
    void WriteCloneClicked();
    void SaveToFileClicked();
    void RestoreFromFileClicked();
    QString SuggestedTemplateName() const;
    // Makes the model hold what the pages show.
    void CollectAllPages();
    // Carries the number typed into "LUID" into the model's EditLuid.
    void TakeTypedLuid();
    std::uint16_t TypedLuid();

    WAPage& walkAway_;
    WUPage& walkTo_;
    SNRPage& sonar_;
    RangeView* range_ = nullptr;
    RangePlot* rangePlot_ = nullptr;
};
