// The page base on a small dialog of its own: controls built from the
// template, the id helpers, the event mapping and the modified mark.

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <utility>
#include <vector>

#include "RecordingUiServices.h"
#include "TestPageHost.h"
#include "TestRegistry.h"
#include "config/ConfigModel.h"
#include "pages/PropertyPage.h"

namespace {

enum : int {
    kNumber = 2001,
    kCentredReadOnly = 2002,
    kHiddenEdit = 2003,
    kCheck = 2004,
    kDisabledCheck = 2005,
    kRadioA1 = 2006,
    kRadioA2 = 2007,
    kRadioB1 = 2008,
    kRadioB2 = 2009,
    kList = 2010,
    kButton = 2011,
    kLabel = 2012,
    kFrame = 2013,
    kPlainEdit = 2014,
};

constexpr res::ControlTemplate kControls[] = {
    {kFrame, res::ControlKind::GroupBox, "Frame", 4, 4, 200, 120, res::NoStyle},
    {kLabel, res::ControlKind::Label, "Number:", 10, 16, 40, 8, res::NoStyle},
    {kNumber, res::ControlKind::NumberEdit, "", 60, 14, 40, 13, res::DigitsOnly},
    {kCentredReadOnly, res::ControlKind::NumberEdit, "", 110, 14, 40, 13,
     res::DigitsOnly | res::Centered | res::ReadOnly},
    {kHiddenEdit, res::ControlKind::NumberEdit, "", 160, 14, 30, 13, res::DigitsOnly | res::Hidden},
    {kPlainEdit, res::ControlKind::NumberEdit, "", 160, 30, 30, 13, res::NoStyle},
    {kCheck, res::ControlKind::CheckBox, "Check", 10, 32, 60, 10, res::NoStyle},
    {kDisabledCheck, res::ControlKind::CheckBox, "Disabled", 80, 32, 60, 10, res::Disabled},
    {res::kNoId, res::ControlKind::Label, "Unnamed", 10, 46, 40, 8, res::NoStyle},
    {kRadioA1, res::ControlKind::RadioButton, "A1", 10, 58, 40, 10, res::StartsGroup},
    {kRadioA2, res::ControlKind::RadioButton, "A2", 10, 70, 40, 10, res::NoStyle},
    {kRadioB1, res::ControlKind::RadioButton, "B1", 80, 58, 40, 10, res::StartsGroup},
    {kRadioB2, res::ControlKind::RadioButton, "B2", 80, 70, 40, 10, res::NoStyle},
    {kList, res::ControlKind::DropDownList, "", 10, 86, 74, 62, res::VerticalScroll},
    {kButton, res::ControlKind::PushButton, "Go", 100, 86, 40, 14, res::NoStyle},
};

constexpr res::DialogTemplate kDialog{900, "Probe", 210, 130, "MS Sans Serif", 8, kControls};

enum class Event { Edit, Button, List, Init, Command };

// Records every event handler call and opens the protected helpers to the test.
class ProbePage : public PropertyPage {
public:
    using PropertyPage::CheckDlgButton;
    using PropertyPage::EnableDlgItem;
    using PropertyPage::GetDlgItemInt;
    using PropertyPage::GetDlgItemText;
    using PropertyPage::IsDlgButtonChecked;
    using PropertyPage::PropertyPage;
    using PropertyPage::SetDlgItemInt;
    using PropertyPage::SetDlgItemText;
    using PropertyPage::SetModified;
    using PropertyPage::ShowDlgItem;

    std::vector<std::pair<Event, int>> events;
    int itemsAtInit = -1;

protected:
    void OnInitDialog() override
    {
        events.emplace_back(Event::Init, 0);
        itemsAtInit = item(kNumber) ? 1 : 0;
    }
    void OnEditChanged(int id) override { events.emplace_back(Event::Edit, id); }
    void OnButtonClicked(int id) override { events.emplace_back(Event::Button, id); }
    void OnListSelected(int id) override { events.emplace_back(Event::List, id); }

public:
    void OnPageCommand(PageCommand command, int argument) override
    {
        events.emplace_back(Event::Command, static_cast<int>(command) * 10 + argument);
    }
};

}  // namespace

class PropertyPageTest : public QObject {
    Q_OBJECT

    ConfigModel model_;
    RecordingUiServices ui_;
    TestPageHost host_;
    std::unique_ptr<ProbePage> page_;

    ProbePage& page() { return *page_; }
    template <typename T>
    T* control(int id)
    {
        return qobject_cast<T*>(page().item(id));
    }

private slots:
    void init()
    {
        host_ = TestPageHost{};
        page_ = std::make_unique<ProbePage>(kDialog, PageContext{model_, ui_, host_});
        host_.addPage(*page_);
        page_->create();
        page_->show();
        QVERIFY(QTest::qWaitForWindowExposed(page_.get()));
        page_->events.clear();
    }
    void cleanup() { page_.reset(); }

    void createBuildsOnceThenInitialises()
    {
        ProbePage fresh(kDialog, PageContext{model_, ui_, host_});
        QVERIFY(!fresh.isCreated());
        QCOMPARE(fresh.item(kNumber), nullptr);
        fresh.create();
        fresh.create();
        QVERIFY(fresh.isCreated());
        QCOMPARE(fresh.events, (std::vector<std::pair<Event, int>>{{Event::Init, 0}}));
        QCOMPARE(fresh.itemsAtInit, 1);
        QCOMPARE(fresh.findChildren<QLineEdit*>().size(), 4);
        QCOMPARE(fresh.caption(), QStringLiteral("Probe"));
    }

    void controlsFollowTheirTemplate()
    {
        QVERIFY(control<QGroupBox>(kFrame));
        QCOMPARE(control<QGroupBox>(kFrame)->title(), QStringLiteral("Frame"));
        QCOMPARE(control<QLabel>(kLabel)->text(), QStringLiteral("Number:"));
        QVERIFY(control<QCheckBox>(kCheck));
        QVERIFY(control<QRadioButton>(kRadioA1));
        QVERIFY(control<QPushButton>(kButton));
        QVERIFY(control<QComboBox>(kList));
        QVERIFY(!control<QComboBox>(kList)->isEditable());
        QCOMPARE(page().listItem(kList), control<QComboBox>(kList));
        QCOMPARE(page().listItem(kNumber), nullptr);
        QCOMPARE(page().item(res::kNoId), nullptr);
        QCOMPARE(page().item(4242), nullptr);
        QCOMPARE(page().item(kNumber)->objectName(), QStringLiteral("ctl2001"));
        QCOMPARE(page().findChild<QWidget*>(QStringLiteral("ctl2010")), page().item(kList));

        QVERIFY(control<QLineEdit>(kCentredReadOnly)->isReadOnly());
        QVERIFY(control<QLineEdit>(kCentredReadOnly)->alignment() & Qt::AlignHCenter);
        QVERIFY(!control<QLineEdit>(kNumber)->isReadOnly());
        QVERIFY(!(control<QLineEdit>(kNumber)->alignment() & Qt::AlignHCenter));
        QVERIFY(control<QLineEdit>(kNumber)->validator());
        QCOMPARE(control<QLineEdit>(kPlainEdit)->validator(), nullptr);
        QVERIFY(page().item(kHiddenEdit)->isHidden());
        QVERIFY(page().item(kNumber)->isVisible());
        QVERIFY(!page().item(kDisabledCheck)->isEnabled());
        QVERIFY(page().item(kCheck)->isEnabled());
    }

    // Dialog units scale with the font: a control twice as far right in
    // units stands twice as far right in pixels, and the page is the dialog's size.
    void geometryScalesFromDialogUnits()
    {
        const QRect radioA = page().item(kRadioA1)->geometry();
        const QRect radioB = page().item(kRadioB1)->geometry();
        const QRect list = page().item(kList)->geometry();
        QVERIFY(radioA.x() > 0);
        QCOMPARE(radioB.y(), radioA.y());
        QVERIFY(qAbs(radioB.x() - 8 * radioA.x()) <= 4);
        QVERIFY(qAbs(page().width() - 21 * radioA.x()) <= 11);
        QCOMPARE(page().font().pointSize(), 8);
        QVERIFY(page().width() > page().item(kFrame)->geometry().right());
        QVERIFY(page().height() > page().item(kFrame)->geometry().bottom());
        // A drop-down list is one line high when closed, like an edit.
        QVERIFY(qAbs(list.height() - page().item(kNumber)->height()) <= 2);
        QVERIFY(control<QComboBox>(kList)->maxVisibleItems() >= 5);
    }

    void digitsOnlyEditsRefuseOtherTyping()
    {
        QTest::keyClicks(control<QLineEdit>(kNumber), QStringLiteral("1a2-3 "));
        QCOMPARE(control<QLineEdit>(kNumber)->text(), QStringLiteral("123"));
        QTest::keyClicks(control<QLineEdit>(kPlainEdit), QStringLiteral("1a"));
        QCOMPARE(control<QLineEdit>(kPlainEdit)->text(), QStringLiteral("1a"));
    }

    void readingNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("value");
        QTest::newRow("empty") << "" << 0u;
        QTest::newRow("zero") << "0" << 0u;
        QTest::newRow("number") << "16320" << 16320u;
        QTest::newRow("leading zeros") << "00064" << 64u;
        QTest::newRow("surrounding blanks") << " 42 " << 42u;
        QTest::newRow("letters") << "abc" << 0u;
        QTest::newRow("digits then letters") << "12ab" << 0u;
        QTest::newRow("sign") << "-5" << 0u;
        QTest::newRow("plus") << "+5" << 0u;
        QTest::newRow("largest") << "4294967295" << 4294967295u;
        // Too long for 32 bits: above every limit, never wrapped or read as 0.
        QTest::newRow("one past largest") << "4294967296" << 4294967295u;
        QTest::newRow("far too long") << "123456789012345678901234567890" << 4294967295u;
        QTest::newRow("far too long with leading zeros") << "000000000000099999999999" << 4294967295u;
        QTest::newRow("far too long then a letter") << "99999999999x" << 0u;
    }
    void readingNumbers()
    {
        QFETCH(QString, text);
        QFETCH(quint32, value);
        control<QLineEdit>(kPlainEdit)->setText(text);
        QCOMPARE(page().GetDlgItemInt(kPlainEdit), value);
    }

    void writingAndReadingById()
    {
        page().SetDlgItemInt(kNumber, 4294967295u);
        QCOMPARE(control<QLineEdit>(kNumber)->text(), QStringLiteral("4294967295"));
        QCOMPARE(page().GetDlgItemInt(kNumber), 4294967295u);
        page().SetDlgItemText(kCentredReadOnly, QStringLiteral("77"));
        QCOMPARE(page().GetDlgItemInt(kCentredReadOnly), 77u);
        page().SetDlgItemText(kLabel, QStringLiteral("( 0 to 15 sec )"));
        QCOMPARE(control<QLabel>(kLabel)->text(), QStringLiteral("( 0 to 15 sec )"));
        QCOMPARE(page().GetDlgItemText(kCheck), QStringLiteral("Check"));
        QCOMPARE(page().GetDlgItemText(kFrame), QStringLiteral("Frame"));

        page().ShowDlgItem(kHiddenEdit, true);
        QVERIFY(page().item(kHiddenEdit)->isVisible());
        page().ShowDlgItem(kNumber, false);
        QVERIFY(page().item(kNumber)->isHidden());
        page().EnableDlgItem(kDisabledCheck, true);
        QVERIFY(page().item(kDisabledCheck)->isEnabled());
        page().EnableDlgItem(kCheck, false);
        QVERIFY(!page().item(kCheck)->isEnabled());
    }

    // The program's own writes to an edit raise its change handling, once per
    // write through the id helpers even when the text stays the same.
    void editChangesMapToOnEditChangedAlsoForProgramWrites()
    {
        page().SetDlgItemInt(kNumber, 5);
        QTest::keyClicks(control<QLineEdit>(kNumber), QStringLiteral("7"));
        control<QLineEdit>(kCentredReadOnly)->setText(QStringLiteral("9"));
        page().SetDlgItemInt(kHiddenEdit, 1);
        page().SetDlgItemInt(kHiddenEdit, 1);
        page().SetDlgItemText(kHiddenEdit, QStringLiteral("1"));
        QCOMPARE(page().events, (std::vector<std::pair<Event, int>>{{Event::Edit, kNumber},
                                                                    {Event::Edit, kNumber},
                                                                    {Event::Edit, kCentredReadOnly},
                                                                    {Event::Edit, kHiddenEdit},
                                                                    {Event::Edit, kHiddenEdit},
                                                                    {Event::Edit, kHiddenEdit}}));
        QCOMPARE(page().GetDlgItemInt(kNumber), 57u);
    }

    // Only the user's clicks reach OnButtonClicked; the program's checks do not.
    void buttonClicksMapToOnButtonClickedForUserClicksOnly()
    {
        page().CheckDlgButton(kCheck, true);
        control<QCheckBox>(kCheck)->setChecked(false);
        page().CheckDlgButton(kRadioA1, true);
        QVERIFY(page().events.empty());

        QTest::mouseClick(control<QCheckBox>(kCheck), Qt::LeftButton);
        QVERIFY(page().IsDlgButtonChecked(kCheck));
        QTest::mouseClick(control<QPushButton>(kButton), Qt::LeftButton);
        QTest::mouseClick(control<QRadioButton>(kRadioA2), Qt::LeftButton);
        QTest::mouseClick(control<QCheckBox>(kDisabledCheck), Qt::LeftButton);
        QCOMPARE(page().events,
                 (std::vector<std::pair<Event, int>>{
                     {Event::Button, kCheck}, {Event::Button, kButton}, {Event::Button, kRadioA2}}));
        QVERIFY(!page().IsDlgButtonChecked(kDisabledCheck));
    }

    // Each run of radio buttons from a StartsGroup is its own group: choosing
    // one clears the others of its group only, and the program can clear all.
    void radioGroupsAreExclusiveAndCanBeClearedByTheProgram()
    {
        QTest::mouseClick(control<QRadioButton>(kRadioA1), Qt::LeftButton);
        QTest::mouseClick(control<QRadioButton>(kRadioB2), Qt::LeftButton);
        QTest::mouseClick(control<QRadioButton>(kRadioA2), Qt::LeftButton);
        QVERIFY(!page().IsDlgButtonChecked(kRadioA1));
        QVERIFY(page().IsDlgButtonChecked(kRadioA2));
        QVERIFY(page().IsDlgButtonChecked(kRadioB2));

        page().CheckDlgButton(kRadioA2, false);
        for (const int id : {kRadioA1, kRadioA2}) QVERIFY(!page().IsDlgButtonChecked(id));
        QVERIFY(page().IsDlgButtonChecked(kRadioB2));

        // The group stays exclusive after being cleared.
        QTest::mouseClick(control<QRadioButton>(kRadioA1), Qt::LeftButton);
        QTest::mouseClick(control<QRadioButton>(kRadioA2), Qt::LeftButton);
        QVERIFY(!page().IsDlgButtonChecked(kRadioA1));
        QVERIFY(page().IsDlgButtonChecked(kRadioA2));
        page().CheckDlgButton(kRadioA1, true);
        QVERIFY(!page().IsDlgButtonChecked(kRadioA2));
    }

    // A list reports the user's choice only, not the program's selection.
    void listChoicesMapToOnListSelectedForUserChoicesOnly()
    {
        QComboBox* list = page().listItem(kList);
        list->addItem(QStringLiteral("[NONE]"), 0);
        list->addItem(QStringLiteral("A"), 4);
        list->addItem(QStringLiteral("B"), 5);
        list->setCurrentIndex(1);
        QVERIFY(page().events.empty());

        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentIndex(), 2);
        QCOMPARE(list->currentData().toInt(), 5);
        QCOMPARE(page().events, (std::vector<std::pair<Event, int>>{{Event::List, kList}}));

        // Choosing the item shown, in the opened list, is no change; another one is.
        for (const int row : {2, 0}) {
            list->showPopup();
            list->view()->setCurrentIndex(list->model()->index(row, 0));
            QTest::keyClick(list->view(), Qt::Key_Return);
            QCOMPARE(list->currentIndex(), row);
        }
        QCOMPARE(page().events,
                 (std::vector<std::pair<Event, int>>{{Event::List, kList}, {Event::List, kList}}));
        // A selection the program made is no choice of the user's, and choosing
        // it again is no change either.
        list->setCurrentIndex(1);
        list->showPopup();
        QTest::keyClick(list->view(), Qt::Key_Return);
        QCOMPARE(page().events.size(), std::size_t{2});
    }

    void modifiedMarkReachesTheHost()
    {
        QVERIFY(!page().isModified());
        page().SetModified();
        QVERIFY(page().isModified());
        QVERIFY(host_.isMarkedModified(page()));
        QVERIFY(host_.anyMarkedModified());
        page().SetModified(false);
        QVERIFY(!page().isModified());
        QVERIFY(!host_.anyMarkedModified());
        QCOMPARE(host_.marks().size(), std::size_t{2});
        QCOMPARE(host_.marks()[0].Page, page_.get());
        QVERIFY(host_.marks()[0].Modified);
        QVERIFY(!host_.marks()[1].Modified);
    }

    // The test host hands commands synchronously to the registered pages
    // whose controls exist.
    void hostSendsCommandsToCreatedPages()
    {
        ProbePage uncreated(kDialog, PageContext{model_, ui_, host_});
        host_.addPage(uncreated);
        host_.sendPageCommand(PageCommand::QuickSetup, 4);
        host_.sendPageCommand(PageCommand::Refresh, 1);
        QCOMPARE(page().events,
                 (std::vector<std::pair<Event, int>>{{Event::Command, 10284}, {Event::Command, 10261}}));
        QVERIFY(uncreated.events.empty());
        QCOMPARE(host_.commands().size(), std::size_t{2});
        QCOMPARE(host_.commands()[0].Id, PageCommand::QuickSetup);
        QCOMPARE(host_.commands()[0].Argument, 4);
    }
};

TOLVANE_REGISTER_TEST(PropertyPageTest)

#include "PropertyPageTest.moc"
