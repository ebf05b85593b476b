// The sheet from the keyboard: Alt and a letter choose a tab or press a
// button, Ctrl+Tab and Ctrl+Shift+Tab change page from inside a page, and Tab
// ends on the button row from left to right.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "AppTestSupport.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/SensorChooser.h"
#include "app/TolvaneApp.h"
#include "pages/SNRPage.h"
#include "pages/WAPage.h"
#include "resources/SonarControls.h"

namespace {

struct KeyboardSheet : SimFixture {
    KeyboardSheet() : Watcher(followSimDevices(Sim)), App(Ui, Watcher) {}

    void start()
    {
        QVERIFY(App.StartUp());
        SimFixture::showAndStart(sheet());
        // The offscreen platform activates no window by itself; shortcuts
        // answer in the active window only.
        QApplication::setActiveWindow(&sheet());
    }

    PropSheet& sheet() const { return *App.Sheet(); }

    // The widgets Tab visits from the tab bar on, in order, once round.
    QList<QWidget*> tabChain() const
    {
        QList<QWidget*> chain;
        QWidget* first = sheet().tabs()->findChild<QTabBar*>();
        QWidget* widget = first;
        do {
            // A widget with a focus proxy hands its turn to the proxy.
            const bool ownTurn = (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy();
            if (ownTurn && widget->isVisibleTo(&sheet())) chain << widget;
            widget = widget->nextInFocusChain();
        } while (widget != first);
        return chain;
    }

    DeviceWatcher Watcher;
    CTolvaneApp App;
};

}  // namespace

class SheetKeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void altAndALetterChoosesATab_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("page");
        QTest::newRow("Alt+T") << int(Qt::Key_T) << 1;
        QTest::newRow("Alt+S") << int(Qt::Key_S) << 2;
        QTest::newRow("Alt+M") << int(Qt::Key_M) << 3;
    }

    void altAndALetterChoosesATab()
    {
        QFETCH(int, key);
        QFETCH(int, page);
        KeyboardSheet f;
        f.Sim.plugSensor(0x0405, 1);
        f.start();

        QTest::keyClick(&f.sheet(), static_cast<Qt::Key>(key), Qt::AltModifier);

        QCOMPARE(f.sheet().tabs()->currentIndex(), page);
        QCOMPARE(f.sheet().activePageIndex(), page);
        QTest::keyClick(&f.sheet(), Qt::Key_W, Qt::AltModifier);
        QCOMPARE(f.sheet().activePageIndex(), 0);
    }

    // From an edit on the Sonar page, forward twice round to the Walk-Away page
    // and back again.
    void controlTabChangesPageFromInsideAPage()
    {
        KeyboardSheet f;
        f.Sim.plugSensor(0x0405, 1);
        f.start();
        f.sheet().tabs()->setCurrentIndex(2);
        QWidget* edit = f.App.PageSonar->item(sonar::MinDist);
        edit->setFocus();

        QTest::keyClick(edit, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(f.sheet().activePageIndex(), 3);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(f.sheet().activePageIndex(), 0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.sheet().activePageIndex(), 3);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.sheet().activePageIndex(), 2);
    }

    // Alt+H ticks "Halt Key Sends" as a click would.
    void altAndALetterPressesAButton()
    {
        KeyboardSheet f;
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405, 1);
        f.start();

        QTest::keyClick(&f.sheet(), Qt::Key_H, Qt::AltModifier);

        QTRY_VERIFY(f.Sim.sensor(sensor).KeySendsHalted);
        QVERIFY(f.sheet().haltKeySendsBox()->isChecked());
    }

    // The controls of the pages come first, the page on show first of them;
    // the button row closes the round from left to right.
    void tabEndsOnTheButtonRowFromLeftToRight()
    {
        KeyboardSheet f;
        f.Sim.plugSensor(0x0405, 1);
        f.Sim.plugSensor(0x0405, 2);
        f.start();
        const QList<QWidget*> chain = f.tabChain();
        const QList<QWidget*> row{f.sheet().haltKeySendsBox(), f.sheet().sensorChooser()->list(),
                                  f.sheet().aboutButton(),     f.sheet().okButton(),
                                  f.sheet().cancelButton(),    f.sheet().applyButton()};
        QVERIFY(chain.size() > row.size());
        QCOMPARE(chain.mid(chain.size() - row.size()), row);
        for (QWidget* widget : chain.first(chain.size() - row.size()))
            QVERIFY(widget == chain.front() || f.App.PageWalkAway->isAncestorOf(widget));
    }

    // What the keyboard reaches outside the pages has a name of its own for a
    // screen reader: the tab row is named by the page on show.
    void theSheetsOwnControlsHaveNames()
    {
        KeyboardSheet f;
        f.Sim.plugSensor(0x0405, 1);
        f.Sim.plugSensor(0x0405, 2);
        f.start();
        QStringList names;
        for (QWidget* widget : f.tabChain()) {
            if (f.App.PageWalkAway->isAncestorOf(widget)) continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(accessible);
            const QString name = accessible->text(QAccessible::Name);
            QVERIFY2(!name.isEmpty(), widget->metaObject()->className());
            QVERIFY2(!names.contains(name), qPrintable(name));
            names << name;
        }
        QVERIFY2(names.contains(QStringLiteral("Walk-Away")), qPrintable(names.join(" / ")));
    }
};

TOLVANE_REGISTER_TEST(SheetKeyboardTest)
#include "SheetKeyboardTest.moc"
