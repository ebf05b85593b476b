#pragma once

// The desktop's message boxes, file chooser, tone and busy cursor, as the
// program shows them.

#include "pages/UiServices.h"

class QtUiServices : public UiServices {
public:
    QString chooseFile(QWidget* owner, FileChooser purpose) override;
    // The desktop's bell: a portable way to sound a tone of a given frequency
    // and duration does not exist, so both are not honoured.
    void tone(int frequencyHz, int durationMs) override;
    void beginBusyCursor() override;
    void endBusyCursor() override;

protected:
    void showMessageBox(QWidget* owner, const QString& text, const QString& caption,
                        MessageIcon icon) override;
};
