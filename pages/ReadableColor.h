#pragma once

// Colours of text that stay readable on the background they are drawn on, in
// a light or a dark colour scheme: contrast as the web's accessibility
// guidelines measure it (relative luminance, 1:1 to 21:1).

#include <QColor>

inline constexpr double kReadableContrast = 4.5;

double contrastRatio(const QColor& a, const QColor& b);

// The colour nearest to wanted, keeping its hue, that has at least
// kReadableContrast against background: darkened on a light background,
// lightened on a dark one.
QColor readableOn(const QColor& wanted, const QColor& background);
