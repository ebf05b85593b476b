#include "SheetStatusLine.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

QString IdleWords()
{
    return QStringLiteral("Ready");
}

}  // namespace

SheetStatusLine::SheetStatusLine(QWidget* parent) : QWidget(parent), activity_(new QLabel(this))
{
    activity_->setObjectName(QStringLiteral("activity"));
    auto* parts = new QHBoxLayout(this);
    parts->setContentsMargins(0, 0, 0, 0);
    parts->addWidget(activity_, 1);
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

void SheetStatusLine::showActivity()
{
    activity_->setText(activities_.isEmpty() ? IdleWords() : activities_.back());
}
