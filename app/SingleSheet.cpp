#include "SingleSheet.h"

#include <QLocalSocket>
#include <QProcessEnvironment>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr int kConnectTimeoutMs = 1000;

QString userId()
{
#ifdef _WIN32
    return QProcessEnvironment::systemEnvironment().value(QStringLiteral("USERNAME"));
#else
    return QString::number(::getuid());
#endif
}

QString displayName()
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        const QString value = environment.value(QLatin1String(variable));
        if (!value.isEmpty()) return value;
    }
    return QStringLiteral("console");
}

}  // namespace

SingleSheet::SingleSheet(QString name, QObject* parent) : QObject(parent), name_(std::move(name))
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleSheet::raiseWindow);
}

QString SingleSheet::nameForThisSession()
{
    QString display = displayName();
    display.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("tolvane-%1-%2").arg(userId(), display);
}

bool SingleSheet::raiseRunning()
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    socket.disconnectFromServer();
    return true;
}

bool SingleSheet::serve(QWidget& window)
{
    window_ = &window;
    if (server_.listen(name_)) return true;
    // Nobody answered under the name (raiseRunning came first): the socket is a dead sheet's.
    QLocalServer::removeServer(name_);
    return server_.listen(name_);
}

void SingleSheet::raiseWindow()
{
    while (QLocalSocket* request = server_.nextPendingConnection()) {
        request->disconnectFromServer();
        request->deleteLater();
    }
    if (!window_) return;
    window_->showNormal();
    window_->raise();
    window_->activateWindow();
}
