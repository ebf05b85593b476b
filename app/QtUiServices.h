#pragma once

// The desktop's message boxes, file chooser, tone and busy cursor, as the
// program shows them.

#include "SoundServerTone.h"
#include "pages/UiServices.h"

class QtUiServices : public UiServices {
public:
    QString chooseFile(QWidget* owner, FileChooser purpose) override;
    QString chooseFileToSave(QWidget* owner, const QString& suggestedName) override;
    // The tone through the desktop's sound server, without waiting for it to
    // end; the desktop's bell, which knows neither frequency nor duration,
    // when no sound server answers.
    void tone(int frequencyHz, int durationMs) override;
    // Through the desktop's handler of man: addresses (the help viewer).
    void openManual(QWidget* owner) override;
    void beginBusyCursor() override;
    void endBusyCursor() override;

protected:
    void showMessageBox(QWidget* owner, const QString& text, const QString& caption,
                        MessageIcon icon) override;
    Answer askQuestion(QWidget* owner, const QString& text, const QString& caption,
                       const std::vector<Answer>& answers, Answer defaultAnswer) override;

private:
    static QString runFileChooser(QWidget* owner, FileChooser purpose, const QString& suggestedName);

    SoundServerTone soundServer_;
};
