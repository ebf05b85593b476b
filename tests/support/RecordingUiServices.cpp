#include "RecordingUiServices.h"

#include <algorithm>

#include "platform/Platform.h"

namespace {

std::uint64_t virtualNow()
{
    return platform::installed() ? platform::current().nowMs() : 0;
}

}  // namespace

QString RecordingUiServices::chooseFile(QWidget*, FileChooser purpose)
{
    fileChoosers_.push_back(purpose);
    if (fileAnswers_.empty()) return {};
    QString answer = fileAnswers_.front();
    fileAnswers_.pop_front();
    return answer;
}

void RecordingUiServices::tone(int frequencyHz, int durationMs)
{
    tones_.push_back({frequencyHz, durationMs, virtualNow()});
}

void RecordingUiServices::beginBusyCursor()
{
    ++busyBegins_;
    maxBusyDepth_ = std::max(maxBusyDepth_, ++busyDepth_);
}

void RecordingUiServices::endBusyCursor()
{
    ++busyEnds_;
    --busyDepth_;
}

QStringList RecordingUiServices::messageTexts() const
{
    QStringList texts;
    for (const Message& message : messages_) texts << message.Text;
    return texts;
}

void RecordingUiServices::clearRecords()
{
    messages_.clear();
    tones_.clear();
    fileChoosers_.clear();
    busyBegins_ = busyEnds_ = 0;
    maxBusyDepth_ = busyDepth_;
}

void RecordingUiServices::showMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                         MessageIcon icon)
{
    messages_.push_back({owner, text, caption, icon, virtualNow(), busyDepth_});
}
