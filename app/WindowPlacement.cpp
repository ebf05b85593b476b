#include "WindowPlacement.h"

#include <algorithm>

namespace {

// The sheet's frame on the screen: centred across, at the top; its top-left
// corner stays on the screen even when it is larger than the screen.
QRect sheetFrame(const QRect& available, const QSize& sheet, int pairWidth)
{
    const int left = available.left() + std::max(0, (available.width() - pairWidth) / 2);
    return {QPoint(left, available.top()), sheet};
}

WindowFrames sideBySide(const QRect& available, const QSize& sheet, const SensorsWindowSizes& sensors)
{
    const QRect sheetRect =
        sheetFrame(available, sheet, sheet.width() + kWindowSpacing + sensors.Preferred.width());
    const int height = std::clamp(sensors.Preferred.height(), sensors.Minimum.height(), available.height());
    const QRect sensorsRect(QPoint(sheetRect.right() + 1 + kWindowSpacing, available.top()),
                            QSize(sensors.Preferred.width(), height));
    return {sheetRect, sensorsRect};
}

WindowFrames stacked(const QRect& available, const QSize& sheet, const SensorsWindowSizes& sensors)
{
    const QRect sheetRect = sheetFrame(available, sheet, sheet.width());
    const int top = sheetRect.bottom() + 1 + kWindowSpacing;
    const int room = available.bottom() + 1 - top;
    const int width = std::clamp(sensors.Preferred.width(),
                                 std::min(sensors.Minimum.width(), available.width()), available.width());
    const int height = std::max(sensors.Minimum.height(), std::min(sensors.Preferred.height(), room));
    // Below the sheet; when even the smallest window does not fit there, it
    // reaches past the screen's bottom with its title bar still in view.
    const int lowestTop = available.bottom() + 1 - std::max(sensors.TitleBarHeight, 1);
    const int left = available.left() + std::max(0, (available.width() - width) / 2);
    return {sheetRect, QRect(QPoint(left, std::min(top, lowestTop)), QSize(width, height))};
}

}  // namespace

WindowFrames placeSheetAndSensors(const QRect& available, const QSize& sheet,
                                  const SensorsWindowSizes& sensors)
{
    const bool fitAcross = sheet.width() + kWindowSpacing + sensors.Preferred.width() <= available.width() &&
                           sheet.height() <= available.height() &&
                           sensors.Minimum.height() <= available.height();
    return fitAcross ? sideBySide(available, sheet, sensors) : stacked(available, sheet, sensors);
}
