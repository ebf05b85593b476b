#pragma once

// UI services for tests: nothing is shown. Message boxes and tones are
// recorded with the virtual time at which they came, the file chooser answers
// from a queue of prepared answers, and the busy cursor is counted.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <vector>

#include "pages/UiServices.h"

class RecordingUiServices : public UiServices {
public:
    struct Message {
        QWidget* Owner;
        QString Text;
        QString Caption;  // resolved: the program's name when the caller gave none
        MessageIcon Icon;
        std::uint64_t TimeMs;  // the installed platform's clock; 0 without one
        int BusyDepth;         // how many busy cursors were showing
    };
    struct Tone {
        int FrequencyHz;
        int DurationMs;
        std::uint64_t TimeMs;
    };

    // Answers for the next file choosers, in order; an empty path (or an empty
    // queue) cancels the chooser.
    void queueFileAnswer(const QString& path) { fileAnswers_.push_back(path); }

    QString chooseFile(QWidget* owner, FileChooser purpose) override;
    void tone(int frequencyHz, int durationMs) override;
    void beginBusyCursor() override;
    void endBusyCursor() override;

    const std::vector<Message>& messages() const { return messages_; }
    QStringList messageTexts() const;
    const std::vector<Tone>& tones() const { return tones_; }
    int fileChooserCalls() const { return static_cast<int>(fileChoosers_.size()); }
    // The purpose of every file chooser asked for, in order.
    const std::vector<FileChooser>& fileChoosers() const { return fileChoosers_; }
    int pendingFileAnswers() const { return static_cast<int>(fileAnswers_.size()); }
    int busyBegins() const { return busyBegins_; }
    int busyEnds() const { return busyEnds_; }
    int busyDepth() const { return busyDepth_; }
    // The deepest nesting of busy cursors so far; non-zero once one was shown.
    int maxBusyDepth() const { return maxBusyDepth_; }

    // Forgets everything recorded; queued file answers and the current busy
    // depth stay.
    void clearRecords();

protected:
    void showMessageBox(QWidget* owner, const QString& text, const QString& caption,
                        MessageIcon icon) override;

private:
    std::vector<Message> messages_;
    std::vector<Tone> tones_;
    std::deque<QString> fileAnswers_;
    std::vector<FileChooser> fileChoosers_;
    int busyBegins_ = 0;
    int busyEnds_ = 0;
    int busyDepth_ = 0;
    int maxBusyDepth_ = 0;
};
