// The sheet with pages that record what the sheet asks of them: start-up
// activations, Apply, OK and Cancel, the "Halt Key Sends" box, help requests,
// device changes and the registration for them; and Apply with the real pages
// when a write fails.

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <array>
#include <memory>

#include "AppTestSupport.h"
#include "TestRegistry.h"
#include "app/PropSheet.h"
#include "app/TolvaneApp.h"
#include "config/ConfigModel.h"
#include "pages/PropertyPage.h"
#include "pages/WAPage.h"
#include "pages/WindowMemory.h"
#include "resources/DialogTemplate.h"
#include "resources/KeySetControls.h"

namespace {

struct PageEvent {
    QString Text;  // "<caption> <what>"
    std::uint64_t TimeMs;
    int BusyDepth;
};

// A page that records every call of the sheet into a shared log.
class RecordingPage : public PropertyPage {
public:
    RecordingPage(const res::DialogTemplate& dialog, PageContext context, RecordingUiServices& ui,
                  std::vector<PageEvent>& log)
        : PropertyPage(dialog, context), ui_(ui), log_(log)
    {
    }

    bool OnSetActive() override { return record(QStringLiteral("activate")), true; }
    bool OnKillActive() override { return record(QStringLiteral("leave")), LeaveAllowed; }
    bool OnApply() override
    {
        record(QStringLiteral("apply"));
        SetModified(false);
        return true;
    }
    void OnPageCommand(PageCommand command, int argument) override
    {
        record(QStringLiteral("command %1 %2").arg(static_cast<int>(command)).arg(argument));
    }

    void markModified(bool modified) { SetModified(modified); }

    bool LeaveAllowed = true;

private:
    void record(const QString& what)
    {
        log_.push_back({caption() + QLatin1Char(' ') + what, platform::current().nowMs(), ui_.busyDepth()});
    }

    RecordingUiServices& ui_;
    std::vector<PageEvent>& log_;
};

struct SheetFixture : SimFixture {
    explicit SheetFixture(DeviceWatcher::Starter followDevices = {})
        : Watcher(followDevices ? std::move(followDevices) : followSimDevices(Sim))
    {
        Model.Initialise();
        Model.SetLibVersion(5, 8, 0);
        Sheet = std::make_unique<PropSheet>(Model, Ui, Watcher, QString::fromStdString(Model.SheetTitle()));
        const PageContext context{Model, Ui, *Sheet};
        const res::DialogTemplate* dialogs[] = {&res::WalkAwayDialog(), &res::WalkToDialog(),
                                                &res::SonarDialog(), &res::MiscDialog()};
        for (int i = 0; i < 4; ++i) {
            Pages[i] = std::make_unique<RecordingPage>(*dialogs[i], context, Ui, Log);
            Sheet->AddPage(Pages[i].get());
        }
    }

    QStringList logTexts() const
    {
        QStringList texts;
        for (const PageEvent& event : Log) texts << event.Text;
        return texts;
    }

    ConfigModel Model;
    std::vector<PageEvent> Log;
    DeviceWatcher Watcher;
    std::array<std::unique_ptr<RecordingPage>, 4> Pages;
    std::unique_ptr<PropSheet> Sheet;  // destroyed before the pages it shows
};

}  // namespace

class PropSheetTest : public QObject {
    Q_OBJECT
private slots:
    // The first page, on the screen while the sensor is read, is refreshed
    // from what start-up read; then every page is activated.
    void initialisationActivatesEveryPageThenTheFirst()
    {
        SheetFixture f;
        const std::uint64_t start = f.Sim.nowMs();
        f.showAndStart(*f.Sheet);

        QCOMPARE(f.logTexts(),
                 QStringList({"Walk-Away command 1026 0", "Walk-Away activate", "Walk-Away leave",
                              "Walk-To activate", "Walk-To leave", "Sonar activate", "Sonar leave",
                              "Misc. activate", "Misc. leave", "Walk-Away activate"}));
        // 100 ms after each page, on the virtual clock.
        std::vector<std::uint64_t> activations;
        for (const PageEvent& event : f.Log)
            if (event.Text.endsWith(QLatin1String("activate"))) activations.push_back(event.TimeMs - start);
        QCOMPARE(activations, (std::vector<std::uint64_t>{0, 100, 200, 300, 400}));
        QCOMPARE(f.Sheet->tabs()->currentIndex(), 0);
        for (const auto& page : f.Pages) QVERIFY(page->isCreated());
        QVERIFY(f.Ui.messages().empty());
    }

    // A tab the user picks as the sheet appears, before its start-up is
    // over, is the page the sheet shows once every page has been visited.
    void startUpEndsOnThePageTheUserPicked()
    {
        SheetFixture f;
        f.Sheet->show();
        f.Sheet->tabs()->setCurrentIndex(2);
        QCoreApplication::processEvents();

        QCOMPARE(f.Sheet->activePageIndex(), 2);
        QCOMPARE(f.Sheet->tabs()->currentIndex(), 2);
        QCOMPARE(f.logTexts().last(), QStringLiteral("Sonar activate"));
        for (const auto& page : f.Pages) QVERIFY(page->isCreated());
    }

    void tabsAndButtonRow()
    {
        SheetFixture f;
        f.showAndStart(*f.Sheet);
        QStringList tabs;
        for (int i = 0; i < f.Sheet->tabs()->count(); ++i) tabs << f.Sheet->tabs()->tabText(i);
        // Each tab answers Alt and a letter of its own.
        QCOMPARE(tabs, QStringList({"&Walk-Away", "Walk-&To", "&Sonar", "&Misc."}));

        QCheckBox* box = f.Sheet->findChild<QCheckBox*>(QStringLiteral("ctl1025"));
        QVERIFY(box == f.Sheet->haltKeySendsBox());
        QCOMPARE(box->text(), QStringLiteral("&Halt Key Sends"));
        QVERIFY(!box->isChecked());
        const QPushButton* ok = f.Sheet->okButton();
        QCOMPARE(box->geometry(),
                 QRect(10, f.Sheet->height() - 8 - ok->height(), 2 * ok->width(), ok->height()));
        QCOMPARE(box->geometry().bottom(), ok->geometry().bottom());
        QVERIFY(box->geometry().right() < ok->geometry().left());

        for (const QPushButton* button : f.Sheet->findChildren<QPushButton*>())
            QVERIFY2(!button->text().contains(QLatin1String("Help")), qPrintable(button->text()));
        QVERIFY(f.Sheet->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(f.Sheet->windowFlags() & Qt::WindowContextHelpButtonHint));
    }

    void applyIsEnabledWhileAnyPageIsModified()
    {
        SheetFixture f;
        f.Sim.plugSensor(0x0405);
        f.showAndStart(*f.Sheet);
        QPushButton* apply = f.Sheet->applyButton();
        QVERIFY(!apply->isEnabled());
        f.Pages[2]->markModified(true);
        QVERIFY(apply->isEnabled());
        f.Pages[0]->markModified(true);
        f.Pages[2]->markModified(false);
        QVERIFY(apply->isEnabled());
        f.Pages[0]->markModified(false);
        QVERIFY(!apply->isEnabled());
    }

    // Apply follows the sensor: without one there is nothing to apply to.
    void applyNeedsASensor()
    {
        SheetFixture f;
        f.showAndStart(*f.Sheet);
        QPushButton* apply = f.Sheet->applyButton();
        f.Pages[1]->markModified(true);
        QVERIFY(!apply->isEnabled());

        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405);
        f.deliverDeviceEvents();
        QVERIFY(apply->isEnabled());

        f.Sim.unplug(sensor);
        f.deliverDeviceEvents();
        QVERIFY(!apply->isEnabled());
    }

    void applyLeavesTheActivePageThenAppliesEveryPageInOrder()
    {
        SheetFixture f;
        f.Sim.plugSensor(0x0405);
        f.showAndStart(*f.Sheet);
        f.Sheet->tabs()->setCurrentIndex(2);  // the user picks the Sonar tab
        f.Pages[1]->markModified(true);
        f.Pages[3]->markModified(true);
        f.Log.clear();

        f.Sheet->applyButton()->click();

        // Once every change is written, the sensor is read back and every page
        // shows it, as a read-back (2): the values only, the view stays.
        QCOMPARE(f.logTexts(),
                 QStringList({"Sonar leave", "Walk-Away apply", "Walk-To apply", "Sonar apply", "Misc. apply",
                              "Walk-Away command 1026 2", "Walk-To command 1026 2", "Sonar command 1026 2",
                              "Misc. command 1026 2"}));
        for (const PageEvent& event : f.Log) QVERIFY(event.BusyDepth >= 1);
        QCOMPARE(f.Ui.busyDepth(), 0);
        QVERIFY(!f.Sheet->applyButton()->isEnabled());
        QVERIFY(f.Sheet->isVisible());
    }

    // The page whose write failed keeps its mark, so Apply stays available
    // for the change that did not reach the sensor.
    void aFailedWriteOnApplyLeavesThePageModified()
    {
        SimFixture f;
        DeviceWatcher watcher(followSimDevices(f.Sim));
        CTolvaneApp app(f.Ui, watcher);
        f.Sim.plugSensor(0x0405);
        QVERIFY(app.StartUp());
        PropSheet& sheet = *app.Sheet();
        SimFixture::showAndStart(sheet);
        const int firstLeftShift = res::kWalkAwayKeySets[0].Modifiers[0];
        qobject_cast<QAbstractButton*>(app.PageWalkAway->item(firstLeftShift))->click();
        f.Sim.failAllTransfers();

        sheet.applyButton()->click();

        QCOMPARE(f.Ui.messageTexts(), QStringList{"Failed to Write the device Features (WalkAway)!"});
        QVERIFY(app.PageWalkAway->isModified());
        QVERIFY(sheet.applyButton()->isEnabled());
        QVERIFY(qobject_cast<QAbstractButton*>(app.PageWalkAway->item(firstLeftShift))->isChecked());
        QVERIFY(sheet.isVisible());
    }

    // Every page has blocks to write, as after "Restore From File", and the
    // sensor goes during the first write: one message, not one per page, and
    // once the removal is handled Apply is off until a sensor is back.
    void aSensorPulledOutDuringApplyIsReportedOnce()
    {
        SimFixture f;
        DeviceWatcher watcher(followSimDevices(f.Sim));
        CTolvaneApp app(f.Ui, watcher);
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405);
        QVERIFY(app.StartUp());
        PropSheet& sheet = *app.Sheet();
        SimFixture::showAndStart(sheet);
        sheet.sendPageCommand(PageCommand::Refresh, 1);
        QVERIFY(sheet.applyButton()->isEnabled());
        f.Sim.unplugDuringTransfer(1, sensor);

        sheet.applyButton()->click();
        f.deliverDeviceEvents();

        QCOMPARE(f.Ui.messageTexts(), QStringList{"Failed to Write the device Features (WalkAwayEx)!"});
        QCOMPARE(app.Model.ConfigLoaded, 0u);
        QCOMPARE(sheet.windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 0.00"));
        QVERIFY(!sheet.applyButton()->isEnabled());
        QVERIFY(sheet.isVisible());

        f.Sim.plugSensor(0x0412);
        f.deliverDeviceEvents();
        QCOMPARE(app.Model.ConfigLoaded, 1u);
        QVERIFY2(!sheet.applyButton()->isEnabled(), "the pages show the new sensor, unchanged");
        QCOMPARE(f.Ui.messages().size(), std::size_t{1});
    }

    void userSwitchingTabsLeavesAndActivates()
    {
        SheetFixture f;
        f.showAndStart(*f.Sheet);
        f.Log.clear();
        f.Sheet->tabs()->setCurrentIndex(3);
        QCOMPARE(f.logTexts(), QStringList({"Walk-Away leave", "Misc. activate"}));
        QCOMPARE(f.Sheet->activePageIndex(), 3);

        // A page that refuses to be left keeps the sheet on it and stops Apply.
        f.Pages[3]->LeaveAllowed = false;
        f.Log.clear();
        f.Sheet->tabs()->setCurrentIndex(0);
        QCOMPARE(f.Sheet->tabs()->currentIndex(), 3);
        f.Sheet->okButton()->click();
        QCOMPARE(f.logTexts(), QStringList({"Misc. leave", "Misc. leave"}));
        QVERIFY(f.Sheet->isVisible());
    }

    void closing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("applies");
        QTest::newRow("OK") << "ok" << true;
        QTest::newRow("Enter") << "enter" << true;
        QTest::newRow("Cancel") << "cancel" << false;
        QTest::newRow("Escape") << "escape" << false;
        QTest::newRow("close box") << "close" << false;
    }

    void closing()
    {
        QFETCH(QString, how);
        QFETCH(bool, applies);
        SheetFixture f;
        f.showAndStart(*f.Sheet);
        f.Pages[0]->markModified(true);
        f.Log.clear();

        if (how == "ok") f.Sheet->okButton()->click();
        if (how == "enter") QTest::keyClick(f.Sheet.get(), Qt::Key_Return);
        if (how == "cancel") f.Sheet->cancelButton()->click();
        // Escape and the close box ask about the pending change first.
        f.Ui.queueAnswer(Answer::Discard);
        if (how == "escape") QTest::keyClick(f.Sheet.get(), Qt::Key_Escape);
        if (how == "close") f.Sheet->close();

        QCOMPARE(f.Ui.questions().size(), std::size_t(how == "escape" || how == "close" ? 1 : 0));
        QVERIFY(!f.Sheet->isVisible());
        QCOMPARE(f.Sheet->result(), applies ? QDialog::Accepted : QDialog::Rejected);
        const QStringList applied = applies ? QStringList({"Walk-Away leave", "Walk-Away apply",
                                                           "Walk-To apply", "Sonar apply", "Misc. apply"})
                                            : QStringList();
        QCOMPARE(f.logTexts(), applied);
        // The box is clear: no halt or resume is sent.
        QVERIFY(f.commandsSent().empty());
    }

    // Closing with pending changes: Apply writes them and closes, Discard
    // closes without them, Cancel (the default) keeps the sheet and the changes.
    void closingWithPendingChangesAsks_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("applied");
        for (const char* how : {"escape", "close"}) {
            QTest::addRow("%s, apply", how) << how << int(Answer::Apply) << true << true;
            QTest::addRow("%s, discard", how) << how << int(Answer::Discard) << true << false;
            QTest::addRow("%s, cancel", how) << how << int(Answer::Cancel) << false << false;
        }
    }

    void closingWithPendingChangesAsks()
    {
        QFETCH(QString, how);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(bool, applied);
        SheetFixture f;
        f.Sim.plugSensor(0x0405);
        f.showAndStart(*f.Sheet);
        f.Pages[2]->markModified(true);
        f.Log.clear();
        f.Ui.queueAnswer(static_cast<Answer>(answer));

        if (how == "escape") QTest::keyClick(f.Sheet.get(), Qt::Key_Escape);
        if (how == "close") f.Sheet->close();

        QCOMPARE(f.Ui.questions().size(), std::size_t{1});
        const RecordingUiServices::Question& question = f.Ui.questions().front();
        QCOMPARE(question.Answers, (std::vector<Answer>{Answer::Apply, Answer::Discard, Answer::Cancel}));
        QCOMPARE(question.Default, Answer::Cancel);
        QCOMPARE(question.Owner, f.Sheet.get());
        QVERIFY(question.Text.contains(QLatin1String("have not been applied")));
        QCOMPARE(f.Sheet->isVisible(), !closed);
        QCOMPARE(f.logTexts().contains(QStringLiteral("Sonar apply")), applied);
        if (closed) QCOMPARE(f.Sheet->result(), applied ? QDialog::Accepted : QDialog::Rejected);
        if (!closed) QVERIFY(f.Sheet->applyButton()->isEnabled());
    }

    // A change that cannot be written keeps the sheet open after "Apply".
    void closingKeepsTheSheetWhenTheChangesCannotBeApplied()
    {
        SheetFixture f;
        f.Sim.plugSensor(0x0405);
        f.showAndStart(*f.Sheet);
        f.Pages[2]->markModified(true);
        f.Pages[0]->LeaveAllowed = false;
        f.Ui.queueAnswer(Answer::Apply);

        QTest::keyClick(f.Sheet.get(), Qt::Key_Escape);

        QCOMPARE(f.Ui.questions().size(), std::size_t{1});
        QVERIFY(f.Sheet->isVisible());
        QVERIFY(f.Sheet->applyButton()->isEnabled());
    }

    // The sheet opens where it was closed last, on this arrangement of screens.
    void sheetOpensWhereItWasClosed()
    {
        QRect closedAt;
        {
            SheetFixture f;
            f.showAndStart(*f.Sheet);
            f.Sheet->move(60, 40);
            f.Sheet->resize(f.Sheet->width() + 30, f.Sheet->height() + 20);
            closedAt = f.Sheet->geometry();
            f.Sheet->cancelButton()->click();
        }
        SheetFixture f;
        f.showAndStart(*f.Sheet);
        QCOMPARE(f.Sheet->geometry(), closedAt);
        const QSettings settings(QStringLiteral("tolvane"), QStringLiteral("tolvane"));
        QVERIFY(settings.contains(QStringLiteral("windows/sheet/") + screenArrangement()));
    }

    // About names the program's and the device library's versions and the licence.
    void aboutBox()
    {
        SheetFixture f;
        f.showAndStart(*f.Sheet);

        f.Sheet->aboutButton()->click();

        QCOMPARE(f.Ui.messages().size(), std::size_t{1});
        const RecordingUiServices::Message& about = f.Ui.messages().front();
        QCOMPARE(about.Caption, QStringLiteral("About Tolvane"));
        QVERIFY2(about.Text.startsWith(QLatin1String("Tolvane 3.90\n")), qPrintable(about.Text));
        QVERIFY(about.Text.contains(QLatin1String("Device library (DLL) 5.80")));
        QVERIFY(about.Text.contains(QLatin1String("No licence has been chosen for Tolvane yet")));
        // What Tolvane is, said once.
        QCOMPARE(about.Text.count(QLatin1String("configuration tool for a USB ultrasonic presence sensor"),
                                  Qt::CaseInsensitive),
                 1);
        QCOMPARE(f.Sheet->aboutButton()->text(), QStringLiteral("A&bout…"));
    }

    void haltKeySendsThenCancelResumesBeforeClosing()
    {
        SheetFixture f;
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405);
        f.showAndStart(*f.Sheet);
        f.Sim.clearTranscript();
        f.Ui.clearRecords();

        f.Sheet->haltKeySendsBox()->click();
        QVERIFY(f.Sim.sensor(sensor).KeySendsHalted);
        const std::uint64_t halted = f.Sim.nowMs();
        f.Sheet->cancelButton()->click();

        const auto commands = f.commandsSent();
        QCOMPARE(commands.size(), std::size_t{2});
        QCOMPARE(commands[0].Code, kHaltKeySendsCommand);
        QCOMPARE(commands[1].Code, kResumeKeySendsCommand);
        QCOMPARE(halted - commands[0].TimeMs, std::uint64_t{2000});
        QCOMPARE(commands[1].TimeMs, halted);
        QCOMPARE(f.Sim.nowMs() - commands[1].TimeMs, std::uint64_t{2000});
        QVERIFY(!f.Sim.sensor(sensor).KeySendsHalted);
        QVERIFY(!f.Sheet->isVisible());
        QCOMPARE(f.Ui.busyBegins(), 2);
        QCOMPARE(f.Ui.busyDepth(), 0);
    }

    // A halt the sensor did not take leaves the box clear: it shows what the
    // sensor does, not what was asked.
    void aHaltTheSensorRefusedLeavesTheBoxClear()
    {
        SheetFixture f;
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405);
        f.showAndStart(*f.Sheet);
        f.Sim.failTransfer(1);

        f.Sheet->haltKeySendsBox()->click();

        QVERIFY(!f.Sim.sensor(sensor).KeySendsHalted);
        QVERIFY(!f.Sheet->haltKeySendsBox()->isChecked());
    }

    void clearingTheBoxResumes()
    {
        SheetFixture f;
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405);
        f.showAndStart(*f.Sheet);
        f.Sim.clearTranscript();
        f.Sheet->haltKeySendsBox()->click();
        f.Sheet->haltKeySendsBox()->click();
        const auto commands = f.commandsSent();
        QCOMPARE(commands.size(), std::size_t{2});
        QCOMPARE(commands[1].Code, kResumeKeySendsCommand);
        QCOMPARE(commands[1].TimeMs - commands[0].TimeMs, std::uint64_t{2000});
        QVERIFY(!f.Sim.sensor(sensor).KeySendsHalted);

        // OK with the box clear sends nothing more.
        f.Sheet->okButton()->click();
        QCOMPARE(f.commandsSent().size(), std::size_t{2});
    }

    // Without a sensor there are no key sends to halt: the box is not offered
    // until a sensor is there.
    void theBoxWaitsForASensor()
    {
        SheetFixture f;
        f.showAndStart(*f.Sheet);
        const std::uint64_t before = f.Sim.nowMs();
        QVERIFY(!f.Sheet->haltKeySendsBox()->isEnabled());
        f.Sheet->haltKeySendsBox()->click();
        QCOMPARE(f.Sim.nowMs(), before);
        QVERIFY(!f.Sheet->haltKeySendsBox()->isChecked());
        QVERIFY(f.Sim.transcript().empty());

        f.Sim.plugSensor(0x0405);
        f.deliverDeviceEvents();
        QVERIFY(f.Sheet->haltKeySendsBox()->isEnabled());
        QVERIFY(f.Ui.messages().empty());
    }

    // F1 opens the manual, from the sheet and from a page; nothing else
    // happens, and What's This help does nothing.
    void f1OpensTheManual()
    {
        SheetFixture f;
        f.Sim.plugSensor(0x0405);
        f.showAndStart(*f.Sheet);
        f.Sim.clearTranscript();
        f.Log.clear();
        const QString title = f.Sheet->windowTitle();

        QTest::keyClick(f.Sheet.get(), Qt::Key_F1);
        QTest::keyClick(f.Pages[0].get(), Qt::Key_F1);
        QTest::keyClick(f.Sheet.get(), Qt::Key_F1, Qt::ShiftModifier);

        QVERIFY(f.Sheet->isVisible());
        QVERIFY(f.Log.empty());
        QCOMPARE(f.Ui.messageTexts(),
                 QStringList(2, QStringLiteral(
                                    "The manual is the manual page: type \"man tolvane\" in a terminal.")));
        QVERIFY(f.Sim.transcript().empty());
        QCOMPARE(f.Sheet->windowTitle(), title);
        QCOMPARE(f.Sheet->activePageIndex(), 0);
    }

    void acceptedDeviceChangesRefreshEveryPage()
    {
        SheetFixture f;
        f.showAndStart(*f.Sheet);
        QCOMPARE(f.Sheet->windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 0.00"));
        f.Log.clear();

        const sim::DeviceId keyboard = f.Sim.plugKeyboard(0x1234, 0x5678);
        f.deliverDeviceEvents();
        QVERIFY(f.Log.empty());

        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405);
        QVERIFY(f.Log.empty());  // queued until the event loop runs
        f.deliverDeviceEvents();
        const QStringList refreshed({"Walk-Away command 1026 0", "Walk-To command 1026 0",
                                     "Sonar command 1026 0", "Misc. command 1026 0"});
        QCOMPARE(f.logTexts(), refreshed);
        for (const PageEvent& event : f.Log) QCOMPARE(event.BusyDepth, 1);
        QCOMPARE(f.Sheet->windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 4.05"));
        QCOMPARE(f.Model.ConfigLoaded, 1u);

        f.Log.clear();
        f.Sim.unplug(keyboard);
        f.deliverDeviceEvents();
        QVERIFY(f.Log.empty());
        f.Sim.unplug(sensor);
        f.deliverDeviceEvents();
        QCOMPARE(f.logTexts(), refreshed);
        QCOMPARE(f.Sheet->windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 0.00"));
        QCOMPARE(f.Model.ConfigLoaded, 0u);
    }

    void aSensorPulledOutDuringAnExchangeIsHandledAfterIt()
    {
        SheetFixture f;
        const sim::DeviceId sensor = f.Sim.plugSensor(0x0405);
        f.showAndStart(*f.Sheet);
        f.Log.clear();
        f.Sim.unplugDuringTransfer(1, sensor);

        const std::uint64_t clicked = f.Sim.nowMs();
        f.Sheet->haltKeySendsBox()->click();

        // The removal came during the pause after the command and was handled
        // once the pause was over.
        QCOMPARE(f.Log.size(), std::size_t{4});
        for (const PageEvent& event : f.Log) QCOMPARE(event.TimeMs - clicked, std::uint64_t{2000});
        QCOMPARE(f.Model.ConfigLoaded, 0u);
        QCOMPARE(f.Sheet->windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 0.00"));
    }

    void failedRegistrationIsReportedAndNotRetried()
    {
        int starts = 0;
        SheetFixture f([&starts](DeviceWatcher&) -> unsigned long { return ++starts, 5; });
        f.showAndStart(*f.Sheet);

        QCOMPARE(f.Ui.messages().size(), std::size_t{1});
        const RecordingUiServices::Message& message = f.Ui.messages().front();
        QCOMPARE(message.Text, QStringLiteral("GetLastError() == 5"));
        QCOMPARE(message.Caption, QStringLiteral("RegisterDeviceNotification()"));
        QCOMPARE(message.Icon, MessageIcon::Exclamation);
        QCOMPARE(message.Owner, static_cast<QWidget*>(f.Sheet.get()));
        // The sheet works on: every page was activated, nothing follows devices.
        QCOMPARE(f.Log.back().Text, QStringLiteral("Walk-Away activate"));
        f.Sheet->hide();
        f.showAndStart(*f.Sheet);
        QCOMPARE(starts, 1);
        f.Sim.plugSensor(0x0405);
        f.deliverDeviceEvents();
        QCOMPARE(f.Sheet->windowTitle(), QStringLiteral("VANTREL 3.90, DLL 5.80, DeviceFW 0.00"));
    }
};

TOLVANE_REGISTER_TEST(PropSheetTest)
#include "PropSheetTest.moc"
