#pragma once

// The detection window the Sonar page shows, pending edits included, as its
// collect step would store it. The Sonar page publishes it while the user
// types; the range plot draws it. Neither page calls the other for it.

#include <QObject>

#include "config/DetectionWindow.h"

class DetectionWindowEdits : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    DetectionWindow current() const { return current_; }
    // Emits changed when the window differs from the current one.
    void publish(const DetectionWindow& window);

signals:
    void changed(const DetectionWindow& window);

private:
    DetectionWindow current_{};
};
