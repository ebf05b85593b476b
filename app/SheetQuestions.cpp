#include "SheetQuestions.h"

Answer askAboutChangesBeforeSwitching(UiServices& ui, QWidget* sheet)
{
    return ui.question(
        sheet,
        QStringLiteral("The changes on the pages have not been applied to the sensor being "
                       "edited.\n\nApply them to it before editing the other sensor, or discard "
                       "them?"),
        {Answer::Apply, Answer::Discard, Answer::Cancel}, Answer::Cancel,
        QStringLiteral("Edit another sensor"));
}

Answer askBeforeWritingOverOtherChanges(UiServices& ui, QWidget* sheet)
{
    return ui.question(sheet,
                       QStringLiteral("Another program has changed the sensor since this sheet read it.\n\n"
                                      "Overwrite its changes with the ones on the pages, or read the sensor "
                                      "again and drop the changes on the pages?"),
                       {Answer::Overwrite, Answer::ReadAgain, Answer::Cancel}, Answer::Cancel,
                       QStringLiteral("Sensor changed by another program"));
}

Answer askAboutChangesBeforeClosing(UiServices& ui, QWidget* sheet)
{
    return ui.question(
        sheet,
        QStringLiteral("The changes on the pages have not been applied to the sensor.\n\nApply "
                       "them to it before closing, or discard them?"),
        {Answer::Apply, Answer::Discard, Answer::Cancel}, Answer::Cancel, QStringLiteral("Close"));
}
