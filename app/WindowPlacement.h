#pragma once

// Where tolvane-sim puts its two windows on a screen: the sheet and the
// Virtual Sensors window side by side when both fit, else the sheet at the top
// and the Virtual Sensors window below it, shrunk as far as it may be. The
// sheet is never moved off the screen or covered for the other window: when
// the screen is too small for both, the Virtual Sensors window keeps only its
// title bar in view. All rectangles are outer frames, title bar included.

#include <QRect>
#include <QSize>

struct WindowFrames {
    QRect Sheet;
    QRect Sensors;
};

struct SensorsWindowSizes {
    QSize Preferred;
    QSize Minimum;
    int TitleBarHeight = 0;  // what stays in view when nothing more fits
};

inline constexpr int kWindowSpacing = 8;

WindowFrames placeSheetAndSensors(const QRect& available, const QSize& sheet,
                                  const SensorsWindowSizes& sensors);
