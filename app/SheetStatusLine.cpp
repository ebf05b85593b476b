#include "SheetStatusLine.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

namespace {

QString IdleWords()
{
    return QStringLiteral("Ready");
}

}  // namespace

SheetStatusLine::SheetStatusLine(QWidget* parent)
    : QWidget(parent), activity_(new QLabel(this)), sensor_(new QLabel(this))
{
    activity_->setObjectName(QStringLiteral("activity"));
    sensor_->setObjectName(QStringLiteral("sensorStatus"));
    sensor_->setWordWrap(true);
    sensor_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    auto* parts = new QHBoxLayout(this);
    parts->setContentsMargins(0, 0, 0, 0);
    parts->addWidget(activity_);
    parts->addWidget(separator);
    parts->addWidget(sensor_, 1);
    showActivity();
}

void SheetStatusLine::beginActivity(const QString& words)
{
    activities_.push_back(words);
    showActivity();
}

void SheetStatusLine::endActivity()
{
    if (!activities_.isEmpty()) activities_.pop_back();
    showActivity();
}

QString SheetStatusLine::activityText() const
{
    return activity_->text();
}

void SheetStatusLine::setSensorStatus(const QString& words)
{
    sensor_->setText(words);
}

QString SheetStatusLine::sensorText() const
{
    return sensor_->text();
}

QString SheetStatusLine::text() const
{
    return activity_->text() + QStringLiteral(" | ") + sensor_->text();
}

void SheetStatusLine::showActivity()
{
    activity_->setText(activities_.isEmpty() ? IdleWords() : activities_.back());
}
