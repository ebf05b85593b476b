#include "UiServices.h"

#include <QCoreApplication>
#include <QFileInfo>

void UiServices::messageBox(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon)
{
    showMessageBox(owner, text, caption.isEmpty() ? programDisplayName() : caption, icon);
}

Answer UiServices::question(QWidget* owner, const QString& text, const std::vector<Answer>& answers,
                            Answer defaultAnswer, const QString& caption)
{
    return askQuestion(owner, text, caption.isEmpty() ? programDisplayName() : caption, answers,
                       defaultAnswer);
}

QString UiServices::chooseFileToSave(QWidget* owner, const QString&)
{
    return chooseFile(owner, FileChooser::Save);
}

void UiServices::openManual(QWidget* owner)
{
    messageBox(owner, QStringLiteral("The manual is the manual page: type \"man tolvane\" in a terminal."),
               QStringLiteral("Help"));
}

QString programDisplayName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}
