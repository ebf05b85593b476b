#pragma once

// One sheet per user and display: a second start of tolvane brings the
// running sheet to the front and ends, instead of opening a second sheet on
// the same sensors. The running sheet listens on a local socket named for the
// user and the display; a socket left behind by a sheet that crashed is
// replaced.

#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class SingleSheet : public QObject {
    Q_OBJECT
public:
    explicit SingleSheet(QString name, QObject* parent = nullptr);

    // "tolvane-<user id>-<display>"
    static QString nameForThisSession();

    // Asks a sheet already running under the name to come to the front; true
    // when one took the request.
    bool raiseRunning();
    // From now on, a later start's request brings window to the front. False
    // when the name cannot be served.
    bool serve(QWidget& window);

private:
    void raiseWindow();

    QString name_;
    QLocalServer server_;
    QPointer<QWidget> window_;
};
