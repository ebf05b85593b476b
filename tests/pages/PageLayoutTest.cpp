// Every page of the sheet and the Range window, at the dialog's own font and
// at a 12-point font (and, run again by CTest, at scale factors 1.5 and 2):
// no visible control's caption is wider than the control, wrapping text has
// the height it needs, and no control that starts inside a group box's frame
// ends outside it.

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QTest>

#include "RecordingUiServices.h"
#include "TestPageHost.h"
#include "TestRegistry.h"
#include "config/ConfigModel.h"
#include "devlib/DevLib.h"
#include "pages/CaptionRoom.h"
#include "pages/MiscControls.h"
#include "pages/MiscPage.h"
#include "pages/RangePlot.h"
#include "pages/RangeWindow.h"
#include "pages/SNRPage.h"
#include "pages/WAPage.h"
#include "pages/WUPage.h"
#include "platform/sim/SimPlatform.h"

namespace {

QString describe(const QWidget& widget)
{
    return QStringLiteral("%1 %2 %3 at %4,%5 %6x%7")
        .arg(QString::fromLatin1(widget.metaObject()->className()), widget.objectName(),
             widget.accessibleName())
        .arg(widget.x())
        .arg(widget.y())
        .arg(widget.width())
        .arg(widget.height());
}

// The faults of the visible controls below a window, one line each.
QStringList layoutFaults(const QWidget& window)
{
    QStringList faults;
    const QList<QWidget*> widgets = window.findChildren<QWidget*>();
    QList<QGroupBox*> groups;
    for (QWidget* widget : widgets)
        if (auto* group = qobject_cast<QGroupBox*>(widget); group && group->isVisibleTo(&window))
            groups << group;
    for (QWidget* widget : widgets) {
        if (!widget->isVisibleTo(&window) || widget->isWindow()) continue;
        const int width = widthForCaption(*widget);
        if (width > widget->width())
            faults << QStringLiteral("caption needs %1 px: %2").arg(width).arg(describe(*widget));
        const int height = heightForWrappedText(*widget);
        if (height > widget->height())
            faults << QStringLiteral("text needs %1 px high: %2").arg(height).arg(describe(*widget));
        for (QGroupBox* group : groups) {
            if (group == widget || group->parentWidget() != widget->parentWidget()) continue;
            const QRect frame = group->geometry();
            if (frame.contains(widget->geometry().topLeft()) && !frame.contains(widget->geometry()))
                faults
                    << QStringLiteral("crosses the frame of %1: %2").arg(group->title(), describe(*widget));
        }
    }
    return faults;
}

struct Pages {
    explicit Pages(const QFont* font)
    {
        platform::install(&sim);
        ResetLibState();
        model.Initialise();
        sim.plugSensor(0x0405);
        std::uint32_t firmware = 0;
        OpenSensors(&firmware);
        model.ReadConfigFmDevice();
        model.UpdateDeviceVariant();
        for (PropertyPage* page : all()) {
            host.addPage(*page);
            if (font) page->setFont(*font);
            page->create();
            page->OnSetActive();
        }
    }
    ~Pages()
    {
        CloseAllDevices();
        platform::install(nullptr);
    }
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;

    std::array<PropertyPage*, 4> all() { return {&walkAway, &walkTo, &sonar, &misc}; }

    sim::SimPlatform sim;
    ConfigModel model;
    RecordingUiServices ui;
    TestPageHost host;
    WAPage walkAway{PageContext{model, ui, host}};
    WUPage walkTo{PageContext{model, ui, host}};
    SNRPage sonar{PageContext{model, ui, host}};
    MiscPage misc{PageContext{model, ui, host}, walkAway, walkTo, sonar};
};

}  // namespace

class PageLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void everyControlHasRoom_data()
    {
        QTest::addColumn<int>("pointSize");  // 0: the dialog's own font
        QTest::newRow("dialog font") << 0;
        QTest::newRow("12-point font") << 12;
    }

    void everyControlHasRoom()
    {
        QFETCH(int, pointSize);
        const QFont larger(QApplication::font().family(), pointSize);
        Pages pages(pointSize > 0 ? &larger : nullptr);
        for (PropertyPage* page : pages.all()) {
            page->show();
            const QStringList faults = layoutFaults(*page);
            QVERIFY2(faults.isEmpty(),
                     qPrintable(page->caption() + QStringLiteral(":\n") + faults.join('\n')));
            QVERIFY2(!page->findChildren<QGroupBox*>().isEmpty(), qPrintable(page->caption()));
            page->hide();
        }

        // The Range window is laid out by Qt's layouts in the desktop's font.
        const QFont desktopFont = QApplication::font();
        if (pointSize > 0) QApplication::setFont(larger);
        qobject_cast<QAbstractButton*>(pages.misc.item(misc::RangeWindowButton))->click();
        RangeWindow* window = pages.misc.rangePlot()->window();
        QApplication::setFont(desktopFont);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        const QStringList faults = layoutFaults(*window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }
};

TOLVANE_REGISTER_TEST(PageLayoutTest)
#include "PageLayoutTest.moc"
