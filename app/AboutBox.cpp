#include "AboutBox.h"

#include <QFile>
#include <QString>

#include "config/ConfigModel.h"
#include "pages/UiServices.h"

void showAboutBox(QWidget* parent, UiServices& ui, const ConfigModel& model)
{
    QFile copyright(QStringLiteral(":/copyright"));
    const QString licence =
        copyright.open(QIODevice::ReadOnly) ? QString::fromUtf8(copyright.readAll()).trimmed() : QString();
    // The copyright text opens with what Tolvane is; the box does not say it twice.
    const QString text = QStringLiteral("Tolvane %1\nDevice library (DLL) %2.%3%4\nQt %5\n\n%6")
                             .arg(QStringLiteral(TOLVANE_VERSION))
                             .arg(model.LibVerMajor)
                             .arg(model.LibVerMinor)
                             .arg(model.LibVerPatch)
                             .arg(QString::fromLatin1(qVersion()), licence);
    ui.messageBox(parent, text, QStringLiteral("About Tolvane"));
}
