// The message box's default caption, and the recording services the page
// tests rely on.

#include <QTest>

#include "RecordingUiServices.h"
#include "TestRegistry.h"
#include "pages/UiServices.h"

class UiServicesTest : public QObject {
    Q_OBJECT

private slots:
    void emptyCaptionStandsForTheProgramName()
    {
        QCOMPARE(programDisplayName(), QStringLiteral("pages_tests"));
        RecordingUiServices ui;
        QWidget owner;
        ui.messageBox(&owner, QStringLiteral("Data NOT Saved!"));
        ui.messageBox(nullptr, QStringLiteral("Time in msec must be >= 100"), QStringLiteral("Entry Error"),
                      MessageIcon::Exclamation);
        QCOMPARE(ui.messages().size(), std::size_t{2});
        QCOMPARE(ui.messages()[0].Owner, &owner);
        QCOMPARE(ui.messages()[0].Caption, QStringLiteral("pages_tests"));
        QCOMPARE(ui.messages()[0].Icon, MessageIcon::None);
        QCOMPARE(ui.messages()[1].Caption, QStringLiteral("Entry Error"));
        QCOMPARE(ui.messages()[1].Icon, MessageIcon::Exclamation);
        QCOMPARE(ui.messageTexts(), (QStringList{QStringLiteral("Data NOT Saved!"),
                                                 QStringLiteral("Time in msec must be >= 100")}));
    }

    void fileChooserAnswersInOrderThenCancels()
    {
        RecordingUiServices ui;
        ui.queueFileAnswer(QStringLiteral("/tmp/a.cfg"));
        ui.queueFileAnswer(QString());
        QCOMPARE(ui.chooseFile(nullptr, FileChooser::Save), QStringLiteral("/tmp/a.cfg"));
        QCOMPARE(ui.chooseFile(nullptr, FileChooser::Open), QString());
        QCOMPARE(ui.chooseFile(nullptr, FileChooser::Open), QString());
        QCOMPARE(ui.fileChooserCalls(), 3);
        QCOMPARE(ui.fileChoosers(),
                 (std::vector<FileChooser>{FileChooser::Save, FileChooser::Open, FileChooser::Open}));
        QCOMPARE(ui.pendingFileAnswers(), 0);
    }

    void busyCursorIsCountedWithItsDepth()
    {
        RecordingUiServices ui;
        {
            BusyCursor outer(ui);
            BusyCursor inner(ui);
            QCOMPARE(ui.busyDepth(), 2);
            ui.messageBox(nullptr, QStringLiteral("inside"));
            ui.tone(1000, 1000);
        }
        ui.messageBox(nullptr, QStringLiteral("outside"));
        QCOMPARE(ui.busyDepth(), 0);
        QCOMPARE(ui.busyBegins(), 2);
        QCOMPARE(ui.busyEnds(), 2);
        QCOMPARE(ui.maxBusyDepth(), 2);
        QCOMPARE(ui.messages()[0].BusyDepth, 2);
        QCOMPARE(ui.messages()[1].BusyDepth, 0);
        QCOMPARE(ui.tones().size(), std::size_t{1});
        QCOMPARE(ui.tones()[0].FrequencyHz, 1000);
        QCOMPARE(ui.tones()[0].DurationMs, 1000);

        ui.clearRecords();
        QVERIFY(ui.messages().empty());
        QCOMPARE(ui.maxBusyDepth(), 0);
    }
};

TOLVANE_REGISTER_TEST(UiServicesTest)

#include "UiServicesTest.moc"
