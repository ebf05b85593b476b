#include "SheetStatusLine.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>

#include "GuiThread.h"

namespace {

// The line as it changes, for a run without a screen to read it from
// (QT_LOGGING_RULES="tolvane.statusline.info=true").
Q_LOGGING_CATEGORY(lcStatusLine, "tolvane.statusline", QtWarningMsg)

QString IdleWords()
{
    return QStringLiteral("Ready");
}

}  // namespace

SheetStatusLine::SheetStatusLine(QWidget* parent)
    : QWidget(parent), activity_(new QLabel(this)), separator_(new QFrame(this)), sensor_(new QLabel(this))
{
    activity_->setObjectName(QStringLiteral("activity"));
    sensor_->setObjectName(QStringLiteral("sensorStatus"));
    sensor_->setWordWrap(true);
    sensor_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    separator_->setFrameShape(QFrame::VLine);
    separator_->setFrameShadow(QFrame::Sunken);
    separator_->setVisible(false);
    auto* parts = new QHBoxLayout(this);
    parts->setContentsMargins(0, 0, 0, 0);
    parts->addWidget(activity_);
    parts->addWidget(separator_);
    parts->addWidget(sensor_, 1);
    showActivity();
}

void SheetStatusLine::beginActivity(const QString& words)
{
    assertOnGuiThread("SheetStatusLine::beginActivity");
    notice_.clear();
    activities_.push_back(words);
    showActivity();
}

void SheetStatusLine::showNotice(const QString& words)
{
    assertOnGuiThread("SheetStatusLine::showNotice");
    notice_ = words;
    showActivity();
}

void SheetStatusLine::showWaiting(const QString& words)
{
    assertOnGuiThread("SheetStatusLine::showWaiting");
    waiting_ = words;
    showActivity();
}

void SheetStatusLine::endActivity()
{
    assertOnGuiThread("SheetStatusLine::endActivity");
    if (!activities_.isEmpty()) activities_.pop_back();
    showActivity();
}

QString SheetStatusLine::activityText() const
{
    return activity_->text();
}

// Until the sensors have been read there is nothing to say about them.
void SheetStatusLine::setSensorStatus(const QString& words)
{
    assertOnGuiThread("SheetStatusLine::setSensorStatus");
    if (words == sensor_->text()) return;
    sensor_->setText(words);
    separator_->setVisible(!words.isEmpty());
    qCInfo(lcStatusLine).noquote() << text();
}

QString SheetStatusLine::sensorText() const
{
    return sensor_->text();
}

QString SheetStatusLine::text() const
{
    if (sensor_->text().isEmpty()) return activity_->text();
    return activity_->text() + QStringLiteral(" | ") + sensor_->text();
}

void SheetStatusLine::showActivity()
{
    const QString before = activity_->text();
    if (!waiting_.isEmpty())
        activity_->setText(waiting_);
    else if (!activities_.isEmpty())
        activity_->setText(activities_.back());
    else
        activity_->setText(notice_.isEmpty() ? IdleWords() : notice_);
    if (activity_->text() != before) qCInfo(lcStatusLine).noquote() << text();
}
