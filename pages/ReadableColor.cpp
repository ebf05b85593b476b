#include "ReadableColor.h"

#include <algorithm>
#include <cmath>

namespace {

double channelLuminance(double value)
{
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor& color)
{
    return 0.2126 * channelLuminance(color.redF()) + 0.7152 * channelLuminance(color.greenF()) +
           0.0722 * channelLuminance(color.blueF());
}

QColor mixed(const QColor& from, const QColor& to, double share)
{
    const auto mix = [share](double a, double b) { return a + (b - a) * share; };
    return QColor::fromRgbF(static_cast<float>(mix(from.redF(), to.redF())),
                            static_cast<float>(mix(from.greenF(), to.greenF())),
                            static_cast<float>(mix(from.blueF(), to.blueF())));
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double first = relativeLuminance(a);
    const double second = relativeLuminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor readableOn(const QColor& wanted, const QColor& background)
{
    const QColor extreme = relativeLuminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    constexpr int kSteps = 20;
    for (int step = 0; step <= kSteps; ++step) {
        const QColor candidate = mixed(wanted, extreme, static_cast<double>(step) / kSteps);
        if (contrastRatio(candidate, background) >= kReadableContrast) return candidate;
    }
    return extreme;
}
