#include "UiServices.h"

#include <QCoreApplication>
#include <QFileInfo>

void UiServices::messageBox(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon)
{
    showMessageBox(owner, text, caption.isEmpty() ? programDisplayName() : caption, icon);
}

QString programDisplayName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}
