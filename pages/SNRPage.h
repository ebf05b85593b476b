#pragma once

// The Sonar page: detection window, detection delays, power-up delay, ping
// rate, LED indicators, the minimum-distance fault and still-target detection.

#include <cstdint>

#include "DetectionWindowEdits.h"
#include "PropertyPage.h"
#include "config/SonarSettings.h"

class SNRPage : public PropertyPage {
    Q_OBJECT
public:
    explicit SNRPage(PageContext context, QWidget* parent = nullptr);

    // Validates the controls and stores them into the model's edit set.
    void CollectStep();

    // The detection window the page shows, pending edits included, kept up
    // to date as the user types.
    const DetectionWindowEdits& detectionWindowShown() const { return detectionWindow_; }

    bool OnSetActive() override;
    bool OnApply() override;
    void OnPageCommand(PageCommand command, int argument) override;

protected:
    void OnInitDialog() override;
    void OnEditChanged(int id) override;
    void OnButtonClicked(int id) override;

private:
    void LayoutStep();
    void AdvancedStep(bool enabled);
    void FillStep();
    void ShowNoSensor();
    void WriteChangedBlocks();

    void FillLedFlags();
    void FillDelays();
    void CollectLedFlags();
    void CollectPingRate();
    void CollectDistances();
    void CollectDelays();
    void CollectPowerUpDelay();
    void CollectIdleNumbers();
    DetectionWindow TypedDetectionWindow() const;

    bool AnyFlagSet() const;
    void SetAllFlags(std::uint32_t value);
    bool SeparateDelays() const;

    // The number in an edit held at limit, never wrapped.
    std::uint32_t LimitedNumber(int id, std::uint32_t limit) const;
    // As LimitedNumber, and a number above limit is replaced by limit in the edit.
    std::uint32_t CorrectedNumber(int id, std::uint32_t limit);
    // The number in an edit corrected as the setting is; a corrected number
    // replaces the edit's, with the message that says so.
    std::uint32_t CorrectedEntry(int id, const sonar::SonarSetting& setting);
    // Where this sensor's firmware keeps a detection delay.
    const sonar::SonarSetting& DelayOnThisSensor(const sonar::SonarSetting& delay) const;

    DetectionWindowEdits detectionWindow_;
};
