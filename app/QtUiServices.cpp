#include "QtUiServices.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

void QtUiServices::showMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                  MessageIcon icon)
{
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, caption,
                    text, QMessageBox::Ok, owner);
    // Like a desktop message box: it blocks its owner's window, not every window.
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    box.exec();
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
