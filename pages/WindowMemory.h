#pragma once

// Where the program's windows were: each window's position and size is kept
// in the user's settings per arrangement of screens, so a laptop on its dock
// and on its own lap each gets the windows where the user last put them there.

#include <QString>

class QWidget;

// The arrangement of the screens now: each screen's geometry, in order.
QString screenArrangement();

// Puts the window where it was last saved under name on this arrangement of
// screens; false, with the window left as it is, when it never was.
bool restoreWindowPlace(QWidget& window, const QString& name);
void saveWindowPlace(const QWidget& window, const QString& name);
