#include "WindowMemory.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStringList>
#include <QWidget>

namespace {

QString settingsKey(const QString& name)
{
    return QStringLiteral("windows/%1/%2").arg(name, screenArrangement());
}

QSettings programSettings()
{
    return QSettings(QStringLiteral("tolvane"), QStringLiteral("tolvane"));
}

}  // namespace

QString screenArrangement()
{
    QStringList screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        screens << QStringLiteral("%1x%2+%3+%4@%5")
                       .arg(area.width())
                       .arg(area.height())
                       .arg(area.x())
                       .arg(area.y())
                       .arg(screen->devicePixelRatio());
    }
    return screens.join(QLatin1Char('_'));
}

bool restoreWindowPlace(QWidget& window, const QString& name)
{
    const QByteArray place = programSettings().value(settingsKey(name)).toByteArray();
    return !place.isEmpty() && window.restoreGeometry(place);
}

void saveWindowPlace(const QWidget& window, const QString& name)
{
    QSettings settings = programSettings();
    settings.setValue(settingsKey(name), window.saveGeometry());
}
