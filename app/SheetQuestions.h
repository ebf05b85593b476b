#pragma once

// The questions the sheet asks before changes on its pages could be lost or
// written over, each with its answers and Cancel, which changes nothing, as
// the default.

#include "pages/UiServices.h"

enum class SheetQuestion {
    // Another sensor was chosen while changes are pending: Apply, Discard or Cancel.
    ChangesBeforeSwitching,
    // Another program changed the sensor since the sheet read it: Overwrite, ReadAgain or Cancel.
    WritingOverOtherChanges,
    // The sheet is closed while changes are pending: Apply, Discard or Cancel.
    ChangesBeforeClosing,
};

Answer ask(UiServices& ui, QWidget* sheet, SheetQuestion question);
