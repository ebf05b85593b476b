#pragma once

// The sheet from the keyboard: Alt and a letter opens each tab, Ctrl+Tab and
// Ctrl+Shift+Tab change page from wherever the focus is, and F1 opens the
// manual.

#include <QString>

class QTabWidget;
class QWidget;
class UiServices;

// The caption with Alt and the first letter of a word that no tab and none
// of the sheet's own controls answer yet.
QString tabTextWithMnemonic(const QTabWidget& tabs, const QString& caption);

void addPageChangeKeys(QWidget& sheet, QTabWidget& tabs);
// F1 opens the manual; there is no What's This help, so its requests do nothing.
void addHelpKeys(QWidget& sheet, UiServices& ui);
