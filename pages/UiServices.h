#pragma once

// What the pages and the sheet need from the desktop beyond their own widgets:
// message boxes, the file chooser, the tone and the busy cursor. The program
// installs the Qt implementation; tests install a recording one that answers
// without showing anything.

#include <QString>
#include <vector>

class QWidget;

enum class MessageIcon { None, Exclamation };

// The buttons of a question box, each the answer it gives.
enum class Answer {
    Yes,
    Apply,
    Discard,
    Cancel,
    Overwrite,  // write over what another program changed
    ReadAgain,  // show what the sensor now holds, dropping the edits
};

// Save: a new or existing file to write, replacing one only after asking.
// Open: an existing file to read.
enum class FileChooser { Save, Open };

class UiServices {
public:
    virtual ~UiServices() = default;

    // A modal message box with one OK button. An empty caption stands for the
    // program's display name.
    void messageBox(QWidget* owner, const QString& text, const QString& caption = {},
                    MessageIcon icon = MessageIcon::None);

    // A modal question box with a button per answer, in the order given, and
    // defaultAnswer as the default button. Escape and the close box answer
    // Cancel. An empty caption stands for the program's display name.
    Answer question(QWidget* owner, const QString& text, const std::vector<Answer>& answers,
                    Answer defaultAnswer, const QString& caption = {});

    // The file chooser for the purpose, showing all files; the full path of
    // the chosen file, or an empty string when cancelled.
    virtual QString chooseFile(QWidget* owner, FileChooser purpose) = 0;
    // The save chooser with a file name suggested; a name typed without an
    // extension gets the suggested name's. The plain save chooser where no
    // suggestion can be shown.
    virtual QString chooseFileToSave(QWidget* owner, const QString& suggestedName);
    virtual void tone(int frequencyHz, int durationMs) = 0;
    // Opens the program's manual page in the desktop's help viewer; where
    // there is none, says how to read it.
    virtual void openManual(QWidget* owner);
    virtual void beginBusyCursor() = 0;
    virtual void endBusyCursor() = 0;

protected:
    // caption is already resolved.
    virtual void showMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                MessageIcon icon) = 0;
    virtual Answer askQuestion(QWidget* owner, const QString& text, const QString& caption,
                               const std::vector<Answer>& answers, Answer defaultAnswer) = 0;
};

// The program's display name: the executable's file name without its extension.
QString programDisplayName();

// Shows the busy cursor for its lifetime.
class BusyCursor {
public:
    explicit BusyCursor(UiServices& ui) : ui_(ui) { ui_.beginBusyCursor(); }
    ~BusyCursor() { ui_.endBusyCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    UiServices& ui_;
};
