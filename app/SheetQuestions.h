#pragma once

// The questions the sheet asks before changes on its pages could be lost or
// written over, each with its answers and the safe one as the default.

#include "pages/UiServices.h"

// Another sensor was chosen while changes are pending: Apply, Discard or Cancel.
Answer askAboutChangesBeforeSwitching(UiServices& ui, QWidget* sheet);
// Another program changed the sensor since the sheet read it: Overwrite,
// ReadAgain or Cancel.
Answer askBeforeWritingOverOtherChanges(UiServices& ui, QWidget* sheet);
// The sheet is closed while changes are pending: Apply, Discard or Cancel.
Answer askAboutChangesBeforeClosing(UiServices& ui, QWidget* sheet);
