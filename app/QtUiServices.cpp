#include "QtUiServices.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

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

QAbstractButton* addAnswerButton(QMessageBox& box, Answer answer)
{
    switch (answer) {
        case Answer::Yes:
            return box.addButton(QMessageBox::Yes);
        case Answer::Apply:
            return box.addButton(QMessageBox::Apply);
        case Answer::Discard:
            return box.addButton(QMessageBox::Discard);
        case Answer::Cancel:
            return box.addButton(QMessageBox::Cancel);
        case Answer::Overwrite:
            return box.addButton(QStringLiteral("&Overwrite"), QMessageBox::AcceptRole);
        case Answer::ReadAgain:
            return box.addButton(QStringLiteral("&Read Again"), QMessageBox::ResetRole);
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
    dialog.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
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
