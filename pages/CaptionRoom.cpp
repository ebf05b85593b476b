#include "CaptionRoom.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

namespace {

// A width far beyond any control's, to measure what a style draws beside the text.
constexpr int kWideProbe = 10000;

int textWidth(const QWidget& control, const QString& text)
{
    return control.fontMetrics().horizontalAdvance(QString(text).remove(QLatin1Char('&')));
}

// The room left and right of the rectangle where a button-like control draws its text.
int buttonChrome(const QAbstractButton& button, QStyle::SubElement contents)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.rect = QRect(0, 0, kWideProbe, button.height());
    if (const auto* push = qobject_cast<const QPushButton*>(&button); push && push->autoDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    const QRect text = button.style()->subElementRect(contents, &option, &button);
    return kWideProbe - text.width();
}

int groupTitleRoom(const QGroupBox& group)
{
    QStyleOptionGroupBox option;
    option.initFrom(&group);
    option.text = group.title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    option.rect = QRect(0, 0, kWideProbe, group.height());
    option.textAlignment = group.alignment();
    const QRect label =
        group.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &group);
    // The frame's corner beyond the label, as wide as the label stands in from the left.
    return label.left() + label.width() + label.left();
}

}  // namespace

int widthForCaption(const QWidget& control)
{
    if (const auto* box = qobject_cast<const QCheckBox*>(&control)) {
        if (box->text().isEmpty()) return 0;
        return buttonChrome(*box, QStyle::SE_CheckBoxContents) + textWidth(control, box->text());
    }
    if (const auto* radio = qobject_cast<const QRadioButton*>(&control)) {
        if (radio->text().isEmpty()) return 0;
        return buttonChrome(*radio, QStyle::SE_RadioButtonContents) + textWidth(control, radio->text());
    }
    if (const auto* button = qobject_cast<const QPushButton*>(&control)) {
        if (button->text().isEmpty()) return 0;
        return buttonChrome(*button, QStyle::SE_PushButtonContents) + textWidth(control, button->text());
    }
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        if (label->text().isEmpty() || isWrappedText(control)) return 0;
        const QMargins margins = label->contentsMargins();
        return margins.left() + margins.right() + 2 * label->margin() + textWidth(control, label->text());
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(&control)) {
        if (group->title().isEmpty()) return 0;
        return groupTitleRoom(*group);
    }
    return 0;
}

bool isWrappedText(const QWidget& control)
{
    const auto* label = qobject_cast<const QLabel*>(&control);
    return label && label->wordWrap() && label->height() >= 2 * label->fontMetrics().height();
}

int heightForWrappedText(const QWidget& control)
{
    if (!isWrappedText(control)) return 0;
    return static_cast<const QLabel&>(control).heightForWidth(control.width());
}
