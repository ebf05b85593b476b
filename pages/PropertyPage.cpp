#include "PropertyPage.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "CaptionRoom.h"
#include "config/NumberText.h"
#include "platform/Platform.h"
#include "resources/CaptionTips.h"

namespace {

// Dialog base units of a font: the average width of the letters and the line
// height, the two scales of dialog units (x in quarters, y in eighths).
struct DialogBaseUnits {
    int X;
    int Y;
};

DialogBaseUnits baseUnitsOf(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int alphabetWidth =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(alphabetWidth / 26 + 1) / 2, metrics.height()};
}

// Pixels per dialog unit, across and down. The font's base units give the
// least; a font whose captions need more room gets more, so that the page
// keeps its arrangement and every caption shows whole.
struct DialogScale {
    double X;
    double Y;

    int x(int units) const { return static_cast<int>(std::lround(units * X)); }
    int y(int units) const { return static_cast<int>(std::lround(units * Y)); }
    // Both edges are rounded, so neighbours never overlap.
    QRect toPixels(const QRect& units) const
    {
        const int left = x(units.left());
        const int top = y(units.top());
        return {left, top, x(units.left() + units.width()) - left, y(units.top() + units.height()) - top};
    }
};

DialogScale scaleOf(const DialogBaseUnits& base)
{
    return {base.X / 4.0, base.Y / 8.0};
}

QLabel* createLabel(const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLineEdit* createEdit(const res::ControlTemplate& control, QWidget* parent)
{
    auto* edit = new QLineEdit(QString::fromUtf8(control.Caption), parent);
    if (control.Styles & res::DigitsOnly) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    if (control.Styles & res::Centered) edit->setAlignment(Qt::AlignCenter);
    if (control.Styles & res::ReadOnly) {
        // Shown, not typed into: out of the Tab order, and a click still
        // lets the user select and copy the text.
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::ClickFocus);
    }
    return edit;
}

// A read-only edit is painted on the window's colour, not as a field to type
// into, in whatever colour scheme the page has.
void showAsReadOnly(QLineEdit* edit, const QPalette& pagePalette)
{
    QPalette palette = pagePalette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, QPalette::Base, pagePalette.brush(group, QPalette::Window));
    edit->setPalette(palette);
}

QString withoutMnemonic(const char* caption)
{
    return QString::fromUtf8(caption).remove(QLatin1Char('&'));
}

// A drop-down list's template height is its dropped-down height; closed, it
// is one line high like an edit.
constexpr int kClosedListHeight = 12;
constexpr int kListLineHeight = 8;
// What a control keeps clear of the frame of the group box it stands in.
constexpr int kGroupFrameInset = 2;

int closedHeight(const res::ControlTemplate& control)
{
    return control.Kind == res::ControlKind::DropDownList ? kClosedListHeight : control.Height;
}

QRect unitsOf(const res::ControlTemplate& control)
{
    return {control.X, control.Y, control.Width, closedHeight(control)};
}

// Whether two controls share a row: their vertical extents overlap.
bool onOneRow(const res::ControlTemplate& a, const res::ControlTemplate& b)
{
    return a.Y < b.Y + closedHeight(b) && b.Y < a.Y + closedHeight(a);
}

// A control belongs to the group box its top left corner lies in.
bool startsInside(const res::ControlTemplate& control, const res::ControlTemplate& group)
{
    return control.X >= group.X && control.Y >= group.Y && control.X < group.X + group.Width &&
           control.Y < group.Y + group.Height;
}

// The label a control without a caption of its own is known by: the nearest
// label on its row, to its left, else to its right.
const res::ControlTemplate* labelOf(const res::ControlTemplate& control, const res::DialogTemplate& dialog)
{
    const res::ControlTemplate* left = nullptr;
    const res::ControlTemplate* right = nullptr;
    for (const res::ControlTemplate& label : dialog.Controls) {
        if (label.Kind != res::ControlKind::Label || !onOneRow(label, control)) continue;
        if (label.X + label.Width <= control.X + 1 && (!left || label.X > left->X)) left = &label;
        if (label.X >= control.X + control.Width && (!right || label.X < right->X)) right = &label;
    }
    return left ? left : right;
}

const res::ControlTemplate* groupOf(const res::ControlTemplate& control, const res::DialogTemplate& dialog)
{
    for (const res::ControlTemplate& group : dialog.Controls)
        if (group.Kind == res::ControlKind::GroupBox && &group != &control && startsInside(control, group))
            return &group;
    return nullptr;
}

// The tip for an abbreviated caption: the control's own, else its label's.
QString tipOf(const res::ControlTemplate& control, const res::DialogTemplate& dialog)
{
    if (const char* tip = res::tipForCaption(control.Caption)) return QString::fromUtf8(tip);
    if (control.Caption[0] != '\0') return {};
    const res::ControlTemplate* label = labelOf(control, dialog);
    const char* tip = label ? res::tipForCaption(label->Caption) : nullptr;
    return tip ? QString::fromUtf8(tip) : QString();
}

// A caption that stands more than once in one group (or outside any) is told
// apart by the label of its row.
bool captionRepeatsInItsGroup(const res::ControlTemplate& control, const res::DialogTemplate& dialog)
{
    const res::ControlTemplate* group = groupOf(control, dialog);
    for (const res::ControlTemplate& other : dialog.Controls)
        if (&other != &control && other.Kind == control.Kind &&
            std::strcmp(other.Caption, control.Caption) == 0 && groupOf(other, dialog) == group)
            return true;
    return false;
}

QString spokenNameOf(const char* caption)
{
    const char* spoken = res::spokenCaption(caption);
    return spoken ? QString::fromUtf8(spoken) : withoutMnemonic(caption);
}

QString withoutTrailingColons(QString text)
{
    while (text.endsWith(QLatin1Char(':'))) text.chop(1);
    return text;
}

}  // namespace

// What a screen reader says a control is: its caption spelt out, or for an
// edit or a list its label, each after the title of the group it stands in;
// a caption repeated in its group goes after the label of its row.
QString accessibleNameOf(const res::ControlTemplate& control, const res::DialogTemplate& dialog)
{
    QString name = spokenNameOf(control.Caption);
    const res::ControlTemplate* label = labelOf(control, dialog);
    if (name.isEmpty()) {
        if (label) name = spokenNameOf(label->Caption);
    } else if (label && captionRepeatsInItsGroup(control, dialog)) {
        name = withoutTrailingColons(spokenNameOf(label->Caption)) + QStringLiteral(": ") + name;
    }
    name = withoutTrailingColons(name);
    const res::ControlTemplate* group = groupOf(control, dialog);
    if (!group) return name;
    const QString title = withoutMnemonic(group->Caption);
    return name.isEmpty() ? title : title + QStringLiteral(": ") + name;
}

namespace {

// A drop-down list that tells a real change of its selected item from the
// user choosing the item already selected: the popup reports a choice even
// when it keeps the selection, the keyboard and the wheel only on a change.
class ChoiceList : public QComboBox {
public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        indexWhenOpened_ = currentIndex();
        QComboBox::showPopup();
    }

    // Called for each choice the user makes; true when it changed the
    // selected item. A selection change in between (the choice's own, or the
    // program's) means the item shown when the popup opened is gone.
    bool choiceChangedSelection(int chosen)
    {
        const bool unchanged = indexWhenOpened_ == chosen;
        indexWhenOpened_ = kNoPopup;
        return !unchanged;
    }
    void selectionChanged() { indexWhenOpened_ = kNoPopup; }

private:
    static constexpr int kNoPopup = -2;
    int indexWhenOpened_ = kNoPopup;
};

QComboBox* createList(const res::ControlTemplate& control, QWidget* parent)
{
    auto* list = new ChoiceList(parent);
    list->setEditable(false);
    list->setMaxVisibleItems(std::max(1, (control.Height - kClosedListHeight) / kListLineHeight));
    list->view()->setVerticalScrollBarPolicy((control.Styles & res::VerticalScroll) ? Qt::ScrollBarAsNeeded
                                                                                    : Qt::ScrollBarAlwaysOff);
    return list;
}

QWidget* createControlWidget(const res::ControlTemplate& control, QWidget* parent)
{
    const QString caption = QString::fromUtf8(control.Caption);
    switch (control.Kind) {
        case res::ControlKind::GroupBox:
            return new QGroupBox(caption, parent);
        case res::ControlKind::Label:
            return createLabel(caption, parent);
        case res::ControlKind::PushButton:
            return new QPushButton(caption, parent);
        case res::ControlKind::CheckBox:
            return new QCheckBox(caption, parent);
        case res::ControlKind::RadioButton:
            return new QRadioButton(caption, parent);
        case res::ControlKind::NumberEdit:
            return createEdit(control, parent);
        case res::ControlKind::DropDownList:
            return createList(control, parent);
    }
    Q_UNREACHABLE();
}

}  // namespace

void PageHost::confirm(const QString&) {}

EditedSensor PageHost::editedSensor() const
{
    return {};
}

QString PageHost::editedSensorAmongOthers() const
{
    return {};
}

PropertyPage::PropertyPage(const res::DialogTemplate& dialog, PageContext context, QWidget* parent)
    : QWidget(parent), dialog_(dialog), context_(context)
{
}

QString PropertyPage::caption() const
{
    return QString::fromUtf8(dialog_.Caption);
}

void PropertyPage::create()
{
    if (created_) return;
    buildControls();
    created_ = true;
    OnInitDialog();
}

void PropertyPage::OnPageCommand(PageCommand, int) {}

QWidget* PropertyPage::item(int id) const
{
    const auto found = items_.find(id);
    return found == items_.end() ? nullptr : found->second;
}

QComboBox* PropertyPage::listItem(int id) const
{
    return qobject_cast<QComboBox*>(item(id));
}

void PropertyPage::OnEditChanged(int) {}
void PropertyPage::OnButtonClicked(int) {}
void PropertyPage::OnListSelected(int) {}

void PropertyPage::SetModified(bool modified)
{
    modified_ = modified;
    host().setPageModified(this, modified);
}

std::uint32_t PropertyPage::GetDlgItemInt(int id) const
{
    return readUnsignedNumber(GetDlgItemText(id).toStdString());
}

void PropertyPage::SetDlgItemInt(int id, std::uint32_t value)
{
    SetDlgItemText(id, QString::number(value));
}

QString PropertyPage::GetDlgItemText(int id) const
{
    QWidget* const widget = item(id);
    if (const auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    if (const auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (const auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (const auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
    if (const auto* list = qobject_cast<QComboBox*>(widget)) return list->currentText();
    if (!widget) qWarning("%s: no control %d", qPrintable(caption()), id);
    return {};
}

void PropertyPage::SetDlgItemText(int id, const QString& text)
{
    QWidget* const widget = item(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        // Every write is a change to the page, also one that keeps the text:
        // the fill steps rely on each write reaching the change handling.
        if (edit->text() == text) {
            OnEditChanged(id);
        } else {
            edit->setText(text);
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
        list->setCurrentText(text);
    } else {
        qWarning("%s: no control %d", qPrintable(caption()), id);
    }
}

bool PropertyPage::IsDlgButtonChecked(int id) const
{
    const auto* button = qobject_cast<QAbstractButton*>(item(id));
    return button && button->isChecked();
}

void PropertyPage::CheckDlgButton(int id, bool checked)
{
    auto* button = qobject_cast<QAbstractButton*>(item(id));
    if (!button) {
        qWarning("%s: no button %d", qPrintable(caption()), id);
        return;
    }
    // An exclusive group refuses to clear its chosen button; the program may
    // clear it all the same, leaving no button of the group chosen.
    QButtonGroup* const group = button->group();
    const bool lift = !checked && group && group->exclusive();
    if (lift) group->setExclusive(false);
    button->setChecked(checked);
    if (lift) group->setExclusive(true);
}

void PropertyPage::ShowDlgItem(int id, bool shown)
{
    if (QWidget* const widget = item(id)) {
        widget->setVisible(shown);
    } else {
        qWarning("%s: no control %d", qPrintable(caption()), id);
    }
}

void PropertyPage::EnableDlgItem(int id, bool enabled)
{
    if (QWidget* const widget = item(id)) {
        widget->setEnabled(enabled);
    } else {
        qWarning("%s: no control %d", qPrintable(caption()), id);
    }
}

void PropertyPage::ClearControlValues()
{
    for (const auto& [id, widget] : items_) {
        const QSignalBlocker quiet(widget);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->clear();
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            list->setCurrentIndex(-1);
        } else if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget)) {
            CheckDlgButton(id, false);
        }
    }
}

DeviceOperation PropertyPage::deviceOperation(const QString& words) const
{
    return DeviceOperation(host(), ui(), words);
}

void PropertyPage::sleepMs(std::uint32_t ms) const
{
    platform::current().sleepMs(ms);
}

namespace {

// Each group box grows to hold the controls that start inside it, clear of
// its frame; the rest keep their template rectangles.
std::vector<QRect> enclosingRects(const res::DialogTemplate& dialog)
{
    std::vector<QRect> rects;
    for (const res::ControlTemplate& control : dialog.Controls) rects.push_back(unitsOf(control));
    for (std::size_t g = 0; g < dialog.Controls.size(); ++g) {
        const res::ControlTemplate& group = dialog.Controls[g];
        if (group.Kind != res::ControlKind::GroupBox) continue;
        for (const res::ControlTemplate& control : dialog.Controls) {
            if (&control == &group || !startsInside(control, group)) continue;
            const QRect inner = unitsOf(control).adjusted(0, 0, kGroupFrameInset, kGroupFrameInset);
            rects[g] = rects[g].united(QRect(rects[g].topLeft(), inner.bottomRight()));
        }
    }
    return rects;
}

// The least scale at which every control's caption shows whole, down to the
// font's base units; wrapping text gets the height it needs at that width.
DialogScale fittingScale(const DialogBaseUnits& base, const std::vector<QWidget*>& widgets,
                         const std::vector<QRect>& units)
{
    DialogScale scale = scaleOf(base);
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        widgets[i]->setGeometry(scale.toPixels(units[i]));
        const int needed = widthForCaption(*widgets[i]);
        if (needed > 0) scale.X = std::max(scale.X, (needed + 1.0) / units[i].width());
    }
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        widgets[i]->setGeometry(scale.toPixels(units[i]));
        const int needed = heightForWrappedText(*widgets[i]);
        if (needed > 0) scale.Y = std::max(scale.Y, (needed + 1.0) / units[i].height());
    }
    return scale;
}

}  // namespace

void PropertyPage::buildControls()
{
    // A font given to the page before its controls exist is the dialog's font.
    if (!testAttribute(Qt::WA_SetFont)) {
        QFont dialogFont(QString::fromUtf8(dialog_.FontName), dialog_.FontPointSize);
        dialogFont.setStyleHint(QFont::SansSerif);
        setFont(dialogFont);
    }

    std::vector<QWidget*> widgets;
    QButtonGroup* radioGroup = nullptr;
    for (const res::ControlTemplate& control : dialog_.Controls) {
        QWidget* const widget = buildControl(control);
        widgets.push_back(widget);
        if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            if (!radioGroup || (control.Styles & res::StartsGroup)) radioGroup = new QButtonGroup(this);
            radioGroup->addButton(radio);
        }
        if (control.Styles & res::Hidden) widget->setVisible(false);
        if (control.Styles & res::Disabled) widget->setEnabled(false);
        if (control.Id != res::kNoId) {
            widget->setObjectName(QStringLiteral("ctl%1").arg(control.Id));
            items_[control.Id] = widget;
        }
        widget->setAccessibleName(accessibleNameOf(control, dialog_));
        if (const QString tip = tipOf(control, dialog_); !tip.isEmpty()) widget->setToolTip(tip);
    }
    PlaceControls(widgets);
    ShowReadOnlyEdits();
}

void PropertyPage::PlaceControls(const std::vector<QWidget*>& widgets)
{
    const std::vector<QRect> units = enclosingRects(dialog_);
    const DialogScale scale = fittingScale(baseUnitsOf(font()), widgets, units);
    QRect page(0, 0, dialog_.Width, dialog_.Height);
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        widgets[i]->setGeometry(scale.toPixels(units[i]));
        page = page.united(units[i]);
    }
    setFixedSize(scale.toPixels(page).size());
}

void PropertyPage::ShowReadOnlyEdits()
{
    for (QLineEdit* edit : findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        if (edit->isReadOnly()) showAsReadOnly(edit, palette());
}

void PropertyPage::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) ShowReadOnlyEdits();
}

QWidget* PropertyPage::buildControl(const res::ControlTemplate& control)
{
    QWidget* const widget = createControlWidget(control, this);
    const int id = control.Id;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        // A click that comes while the sensor is busy is handled once it is free.
        connect(button, &QAbstractButton::clicked, this,
                [this, id] { host().whenDeviceIdle([this, id] { OnButtonClicked(id); }); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        connect(edit, &QLineEdit::textChanged, this, [this, id] { OnEditChanged(id); });
    } else if (auto* list = dynamic_cast<ChoiceList*>(widget)) {
        connect(list, &QComboBox::currentIndexChanged, this, [list] { list->selectionChanged(); });
        connect(list, &QComboBox::activated, this, [this, id, list](int chosen) {
            if (list->choiceChangedSelection(chosen)) OnListSelected(id);
        });
    }
    return widget;
}
