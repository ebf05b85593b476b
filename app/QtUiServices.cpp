#include "QtUiServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

void QtUiServices::showMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                  MessageIcon icon)
{
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, caption,
                    text, QMessageBox::Ok, owner);
    // Like a desktop message box: it blocks its owner's window, not every window.
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    box.exec();
}

namespace {

// Each answer's button, with the letter that Alt answers it with.
QAbstractButton* addAnswerButton(QMessageBox& box, Answer answer)
{
    const auto standard = [&box](QMessageBox::StandardButton button, const QString& text) {
        QPushButton* added = box.addButton(button);
        added->setText(text);
        return added;
    };
    switch (answer) {
        case Answer::Yes:
            return standard(QMessageBox::Yes, QObject::tr("&Yes"));
        case Answer::Apply:
            return standard(QMessageBox::Apply, QObject::tr("&Apply"));
        case Answer::Discard:
            return standard(QMessageBox::Discard, QObject::tr("&Discard"));
        case Answer::Cancel:
            return standard(QMessageBox::Cancel, QObject::tr("&Cancel"));
        case Answer::Overwrite:
            return box.addButton(QObject::tr("&Overwrite"), QMessageBox::AcceptRole);
        case Answer::ReadAgain:
            return box.addButton(QObject::tr("&Read Again"), QMessageBox::ResetRole);
    }
    return nullptr;
}

}  // namespace

Answer QtUiServices::askQuestion(QWidget* owner, const QString& text, const QString& caption,
                                 const std::vector<Answer>& answers, Answer defaultAnswer)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, owner);
    std::vector<std::pair<Answer, QAbstractButton*>> buttons;
    for (Answer answer : answers) {
        QAbstractButton* button = addAnswerButton(box, answer);
        buttons.emplace_back(answer, button);
        if (answer == defaultAnswer) box.setDefaultButton(qobject_cast<QPushButton*>(button));
        if (answer == Answer::Cancel) box.setEscapeButton(button);
    }
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    box.exec();
    for (const auto& [answer, button] : buttons)
        if (box.clickedButton() == button) return answer;
    return Answer::Cancel;
}

QString QtUiServices::chooseFile(QWidget* owner, FileChooser purpose)
{
    return runFileChooser(owner, purpose, {});
}

QString QtUiServices::chooseFileToSave(QWidget* owner, const QString& suggestedName)
{
    return runFileChooser(owner, FileChooser::Save, suggestedName);
}

// The chooser shows every file; a save chooser offers the suggested name, and
// a name typed without an extension gets the suggestion's (the replace
// question then asks about the name with it).
QString QtUiServices::runFileChooser(QWidget* owner, FileChooser purpose, const QString& suggestedName)
{
    QFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (purpose == FileChooser::Save) {
        // Any name is taken; an existing file is replaced only after asking.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    const QString allFiles = QObject::tr("All files (*)");
    dialog.setNameFilters({allFiles, QObject::tr("Text files (*.txt)")});
    dialog.selectNameFilter(allFiles);
    if (!suggestedName.isEmpty()) {
        dialog.setDefaultSuffix(QFileInfo(suggestedName).suffix());
        dialog.selectFile(suggestedName);
    }
    dialog.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

void QtUiServices::openManual(QWidget* owner)
{
    if (!QDesktopServices::openUrl(QUrl(QStringLiteral("man:tolvane(1)")))) UiServices::openManual(owner);
}

void QtUiServices::tone(int frequencyHz, int durationMs)
{
    if (!soundServer_.play(frequencyHz, durationMs)) QApplication::beep();
}

void QtUiServices::beginBusyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUiServices::endBusyCursor()
{
    QApplication::restoreOverrideCursor();
}
