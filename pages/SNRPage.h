#pragma once

// The Sonar page: detection window, detection delays, power-up delay, ping
// rate, LED indicators, the minimum-distance fault and still-target detection.

#include "PropertyPage.h"

class SNRPage : public PropertyPage {
    Q_OBJECT
public:
    explicit SNRPage(PageContext context, QWidget* parent = nullptr);

    // Validates the controls and stores them into the model's edit set.
    void CollectStep();
};
