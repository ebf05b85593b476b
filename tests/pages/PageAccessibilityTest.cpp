// What the pages tell a screen reader and the keyboard: every control has a
// name (its caption, or the label beside it, after its group's title),
// abbreviations are spelt out in tooltips, and
// the "Key" code boxes, which only show the key chosen, are read-only and
// out of the Tab order.

#include <QLineEdit>
#include <QSet>
#include <QTest>

#include "MiscSession.h"
#include "TestRegistry.h"
#include "pages/MiscControls.h"
#include "resources/DialogTemplate.h"
#include "resources/KeySetControls.h"
#include "resources/SonarControls.h"

using misctest::Session;

class PageAccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void namesOfControls_data()
    {
        QTest::addColumn<int>("page");  // 0 Walk-Away, 1 Walk-To, 2 Sonar, 3 Misc.
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        const res::KeySetGroupIds& first = res::kWalkAwayKeySets[0];
        QTest::newRow("modifier box") << 0 << first.Modifiers[7] << "Key Set 1: Right GUI";
        QTest::newRow("left shift") << 1 << res::kWalkToKeySets[2].Modifiers[0] << "Key Set 3: Left Shift";
        QTest::newRow("in-range minutes")
            << 2 << int(sonar::InRangeMinutes) << "In-Range Detection Delay: Minutes (not sec)";
        QTest::newRow("out-of-range minutes")
            << 2 << int(sonar::OutOfRangeMinutes) << "Out-of-Range Detection Delay: Minutes (not sec)";
        QTest::newRow("cycles") << 2 << int(sonar::Cycles) << "40 kHz cycles";
        QTest::newRow("key code") << 0 << first.CodeField << "Key Set 1: Key";
        QTest::newRow("key list") << 0 << first.KeyList << "Key Set 1";
        QTest::newRow("seventh key list") << 1 << res::kWalkToKeySets[6].KeyList << "Key Set 7";
        QTest::newRow("delay") << 0 << 1014 << "Delay (msec) between key presses";
        QTest::newRow("fault send rate") << 0 << 1023 << "MinDist Fault Send Rate (sec)";
        QTest::newRow("minimum distance") << 2 << int(sonar::MinDist) << "Minimum Detection Distance";
        QTest::newRow("dead target delta")
            << 2 << 1062 << "Still Target Detection: Dead Target Delta Distance (inches)";
        QTest::newRow("range text") << 3 << int(misc::RangeText) << "View Range: latest reading";
        QTest::newRow("range rate") << 3 << int(misc::RangeRate) << "View Range: msec Rate";
        QTest::newRow("range window") << 3 << int(misc::RangeWindowButton) << "View Range: Range";
        QTest::newRow("LUID") << 3 << int(misc::Luid) << "LUID";
        QTest::newRow("reset") << 3 << int(misc::ResetAll) << "Reset All";
    }

    void namesOfControls()
    {
        QFETCH(int, page);
        QFETCH(int, id);
        QFETCH(QString, name);
        Session s;
        s.sim.plugSensor();
        s.start();
        QWidget* control = s.pages()[page]->item(id);
        QVERIFY(control);
        QCOMPARE(control->accessibleName(), name);
    }

    // Every control has a name, and no two controls the keyboard reaches on
    // one page share one: a screen reader could not tell them apart.
    void everyControlHasAName()
    {
        Session s;
        s.sim.plugSensor();
        s.start();
        for (PropertyPage* page : s.pages()) {
            QStringList focusable;
            for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (control->isWindow()) continue;
                QVERIFY2(!control->accessibleName().isEmpty(),
                         qPrintable(page->caption() + QLatin1Char(' ') + control->objectName()));
                if ((control->focusPolicy() & Qt::TabFocus) && control->isVisibleTo(page))
                    focusable << control->accessibleName();
            }
            const QSet<QString> distinct(focusable.begin(), focusable.end());
            if (distinct.size() == focusable.size()) continue;
            QStringList repeated;
            for (const QString& name : distinct)
                if (focusable.count(name) > 1) repeated << name;
            QFAIL(qPrintable(page->caption() + QStringLiteral(": names repeated: ") + repeated.join(", ")));
        }
    }

    // Abbreviated captions say in a tooltip what they stand for; an edit
    // beside an abbreviated label says it too. Captions in full have none.
    void abbreviationsHaveTooltips_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("tip");
        const res::KeySetGroupIds& first = res::kWalkAwayKeySets[0];
        QTest::newRow("LShft") << 0 << first.Modifiers[0] << "Left Shift";
        QTest::newRow("RGUI") << 1 << res::kWalkToKeySets[6].Modifiers[7]
                              << "Right GUI key (the Windows or Super key)";
        QTest::newRow("key code") << 0 << first.CodeField
                                  << "The USB usage code of the key chosen in the list below";
        QTest::newRow("LUID edit")
            << 3 << int(misc::Luid)
            << "Logical unit ID: a number of your choice that tells several sensors apart";
        QTest::newRow("Auto GetRange")
            << 3 << int(misc::AutoGetRange) << "Read the range again and again, at the rate given beside it";
        QTest::newRow("Reset All, in full") << 3 << int(misc::ResetAll) << "";
        QTest::newRow("delay, in full") << 0 << 1014 << "";
    }

    void abbreviationsHaveTooltips()
    {
        QFETCH(int, page);
        QFETCH(int, id);
        QFETCH(QString, tip);
        Session s;
        s.sim.plugSensor();
        s.start();
        QCOMPARE(s.pages()[page]->item(id)->toolTip(), tip);
    }

    // The code boxes show the key chosen in the list below them: they take
    // no typing, Tab passes them by, and they do not look like fields to fill.
    void keyCodeBoxesAreReadOnly()
    {
        Session s;
        s.sim.plugSensor();
        s.start();
        const std::pair<PropertyPage*, const res::KeySetGroupTable*> keySetPages[] = {
            {s.walkAway.get(), &res::kWalkAwayKeySets}, {s.walkTo.get(), &res::kWalkToKeySets}};
        for (const auto& [page, groups] : keySetPages) {
            for (const res::KeySetGroupIds& group : *groups) {
                auto* code = qobject_cast<QLineEdit*>(page->item(group.CodeField));
                QVERIFY(code);
                QVERIFY(code->isReadOnly());
                QVERIFY(!(code->focusPolicy() & Qt::TabFocus));
                QCOMPARE(code->palette().color(QPalette::Active, QPalette::Base),
                         page->palette().color(QPalette::Active, QPalette::Window));
                const QString before = code->text();
                code->setFocus();
                QTest::keyClicks(code, QStringLiteral("12"));
                QCOMPARE(code->text(), before);
            }
        }
    }

    // A change of colour scheme reaches the read-only boxes too.
    void readOnlyBoxesFollowThePalette()
    {
        Session s;
        s.sim.plugSensor();
        s.start();
        QPalette dark = s.misc->palette();
        dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
        dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
        s.misc->setPalette(dark);
        auto* rangeText = qobject_cast<QLineEdit*>(s.misc->item(misc::RangeText));
        QCOMPARE(rangeText->palette().color(QPalette::Base), QColor(0x30, 0x30, 0x30));
    }
};

TOLVANE_REGISTER_TEST(PageAccessibilityTest)
#include "PageAccessibilityTest.moc"
