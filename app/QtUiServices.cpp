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

// Each answer's button text, with the letter that Alt answers it with.
QString textOf(Answer answer)
{
    switch (answer) {
        case Answer::Yes:
            return QObject::tr("&Yes");
        case Answer::Apply:
            return QObject::tr("&Apply");
        case Answer::Discard:
            return QObject::tr("&Discard");
        case Answer::Cancel:
            return QObject::tr("&Cancel");
    }
    return {};
}

QMessageBox::StandardButton buttonOf(Answer answer)
{
    switch (answer) {
        case Answer::Yes:
            return QMessageBox::Yes;
        case Answer::Apply:
            return QMessageBox::Apply;
        case Answer::Discard:
            return QMessageBox::Discard;
        case Answer::Cancel:
            return QMessageBox::Cancel;
    }
    return QMessageBox::Cancel;
}

}  // namespace

Answer QtUiServices::askQuestion(QWidget* owner, const QString& text, const QString& caption,
                                 const std::vector<Answer>& answers, Answer defaultAnswer)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, owner);
    for (Answer answer : answers) box.addButton(buttonOf(answer))->setText(textOf(answer));
    box.setDefaultButton(buttonOf(defaultAnswer));
    box.setEscapeButton(QMessageBox::Cancel);
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    box.exec();
    for (Answer answer : answers)
        if (box.clickedButton() == box.button(buttonOf(answer))) return answer;
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
