#include "SheetKeyboard.h"

#include <QEvent>
#include <QKeyEvent>
#include <QShortcut>
#include <QTabWidget>

#include "pages/UiServices.h"

namespace {

void stepPage(QTabWidget& tabs, int step)
{
    if (tabs.count() == 0) return;
    tabs.setCurrentIndex((tabs.currentIndex() + step + tabs.count()) % tabs.count());
}

class HelpKeys : public QObject {
public:
    HelpKeys(QWidget& sheet, UiServices& ui) : QObject(&sheet), sheet_(sheet), ui_(ui) {}

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (receiver != &sheet_) return false;
        if (event->type() == QEvent::WhatsThis || event->type() == QEvent::EnterWhatsThisMode) return true;
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
        ui_.openManual(&sheet_);
        return true;
    }

private:
    QWidget& sheet_;
    UiServices& ui_;
};

}  // namespace

QString tabTextWithMnemonic(const QTabWidget& tabs, const QString& caption)
{
    QString taken = QStringLiteral("OCABHE");  // OK, Cancel, Apply, About, Halt Key Sends, Edit sensor
    for (int i = 0; i < tabs.count(); ++i) {
        const QString text = tabs.tabText(i);
        const qsizetype mark = text.indexOf(QLatin1Char('&'));
        if (mark >= 0 && mark + 1 < text.size()) taken += text.at(mark + 1).toUpper();
    }
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const bool wordStart = i == 0 || !caption.at(i - 1).isLetter();
        if (wordStart && caption.at(i).isLetter() && !taken.contains(caption.at(i).toUpper()))
            return QString(caption).insert(i, QLatin1Char('&'));
    }
    return caption;
}

void addPageChangeKeys(QWidget& sheet, QTabWidget& tabs)
{
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), &sheet);
    QObject::connect(next, &QShortcut::activated, &tabs, [&tabs] { stepPage(tabs, 1); });
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), &sheet);
    QObject::connect(previous, &QShortcut::activated, &tabs, [&tabs] { stepPage(tabs, -1); });
}

void addHelpKeys(QWidget& sheet, UiServices& ui)
{
    sheet.installEventFilter(new HelpKeys(sheet, ui));
}
