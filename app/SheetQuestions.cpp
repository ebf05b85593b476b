#include "SheetQuestions.h"

namespace {

struct Wording {
    const char* Text;
    std::vector<Answer> Answers;
    const char* Caption;
};

Wording wordingOf(SheetQuestion question)
{
    switch (question) {
        case SheetQuestion::ChangesBeforeSwitching:
            return {
                "The changes on the pages have not been applied to the sensor being edited.\n\nApply them to "
                "it "
                "before editing the other sensor, or discard them?",
                {Answer::Apply, Answer::Discard, Answer::Cancel},
                "Edit another sensor"};
        case SheetQuestion::WritingOverOtherChanges:
            return {
                "Another program has changed the sensor since this sheet read it.\n\nOverwrite its changes "
                "with "
                "the ones on the pages, or read the sensor again and drop the changes on the pages?",
                {Answer::Overwrite, Answer::ReadAgain, Answer::Cancel},
                "Sensor changed by another program"};
        case SheetQuestion::ChangesBeforeClosing:
            return {
                "The changes on the pages have not been applied to the sensor.\n\nApply them to it before "
                "closing, or discard them?",
                {Answer::Apply, Answer::Discard, Answer::Cancel},
                "Close"};
    }
    Q_UNREACHABLE();
}

}  // namespace

Answer ask(UiServices& ui, QWidget* sheet, SheetQuestion question)
{
    const Wording wording = wordingOf(question);
    return ui.question(sheet, QString::fromUtf8(wording.Text), wording.Answers, Answer::Cancel,
                       QString::fromUtf8(wording.Caption));
}
