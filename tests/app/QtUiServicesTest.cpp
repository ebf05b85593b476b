// The desktop UI services: what the message box and the file chooser look
// like when they come up, what they return, and the busy cursor.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "TestRegistry.h"
#include "app/QtUiServices.h"

Q_DECLARE_METATYPE(FileChooser)

namespace {

// Runs check on the modal dialog the next call opens; closes it if check
// left it open (also when a check failed).
void whenModalOpens(std::function<void(QWidget*)> check)
{
    QTimer::singleShot(0, [check = std::move(check)] {
        QWidget* widget = QApplication::activeModalWidget();
        check(widget);
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) dialog->reject();
    });
}

// Types name into the chooser's file-name box in folder and presses its OK.
void chooseName(QWidget* widget, const QString& folder, const QString& name)
{
    auto* dialog = qobject_cast<QFileDialog*>(widget);
    QVERIFY(dialog);
    dialog->setDirectory(folder);
    auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(nameBox);
    nameBox->setText(name);
    QMetaObject::invokeMethod(dialog, "accept");
}

// Answers the next message box that comes up, keeping its text.
void answerNextMessageBox(QMessageBox::StandardButton answer, QString& text)
{
    QTimer::singleShot(0, [answer, &text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        text = box->text();
        box->button(answer)->click();
    });
}

}  // namespace

class QtUiServicesTest : public QObject {
    Q_OBJECT
private slots:
    void messageBoxHasOneOkButtonCaptionTextAndIcon()
    {
        QtUiServices ui;
        QWidget owner;
        owner.show();
        bool seen = false;
        whenModalOpens([&](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            QVERIFY(box);
            seen = true;
            QCOMPARE(box->text(), QStringLiteral("GetLastError() == 5"));
            QCOMPARE(box->windowTitle(), QStringLiteral("RegisterDeviceNotification()"));
            QCOMPARE(box->icon(), QMessageBox::Warning);
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->standardButton(box->buttons().front()), QMessageBox::Ok);
            QVERIFY(box->parentWidget() == &owner);
            QCOMPARE(box->windowModality(), Qt::WindowModal);
        });
        ui.messageBox(&owner, QStringLiteral("GetLastError() == 5"),
                      QStringLiteral("RegisterDeviceNotification()"), MessageIcon::Exclamation);
        QVERIFY(seen);

        // No caption: the program's name; no icon.
        seen = false;
        whenModalOpens([&](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            QVERIFY(box);
            seen = true;
            QCOMPARE(box->windowTitle(), programDisplayName());
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
        });
        ui.messageBox(nullptr, QStringLiteral("Failed PushConfigToLib!"));
        QVERIFY(seen);
    }

    void questionBoxOffersItsAnswersWithTheDefaultGiven()
    {
        QtUiServices ui;
        QWidget owner;
        owner.show();
        bool seen = false;
        whenModalOpens([&](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            QVERIFY(box);
            seen = true;
            QCOMPARE(box->text(), QStringLiteral("Reset the sensor now?"));
            QCOMPARE(box->windowTitle(), QStringLiteral("Reset All"));
            QCOMPARE(box->icon(), QMessageBox::Question);
            QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::Cancel);
            QVERIFY(box->defaultButton() == box->button(QMessageBox::Cancel));
            QVERIFY(box->parentWidget() == &owner);
            box->button(QMessageBox::Yes)->click();
        });
        QCOMPARE(ui.question(&owner, QStringLiteral("Reset the sensor now?"), {Answer::Yes, Answer::Cancel},
                             Answer::Cancel, QStringLiteral("Reset All")),
                 Answer::Yes);
        QVERIFY(seen);

        // Escape answers Cancel; an empty caption is the program's name.
        whenModalOpens([&](QWidget* widget) {
            QCOMPARE(widget->windowTitle(), programDisplayName());
            QTest::keyClick(widget, Qt::Key_Escape);
        });
        QCOMPARE(ui.question(&owner, QStringLiteral("Apply?"),
                             {Answer::Apply, Answer::Discard, Answer::Cancel}, Answer::Apply),
                 Answer::Cancel);
    }

    // Every button of a question box answers Alt and its own letter.
    void questionBoxButtonsAnswerAltAndALetter_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::newRow("Alt+A") << int(Qt::Key_A) << int(Answer::Apply);
        QTest::newRow("Alt+D") << int(Qt::Key_D) << int(Answer::Discard);
        QTest::newRow("Alt+C") << int(Qt::Key_C) << int(Answer::Cancel);
    }

    void questionBoxButtonsAnswerAltAndALetter()
    {
        QFETCH(int, key);
        QFETCH(int, answer);
        QtUiServices ui;
        QWidget owner;
        owner.show();
        QStringList texts;
        whenModalOpens([&](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            QVERIFY(box);
            for (QAbstractButton* button : box->buttons()) texts << button->text();
            QApplication::setActiveWindow(box);
            QTest::keyClick(box, static_cast<Qt::Key>(key), Qt::AltModifier);
            // A shortcut clicks its button after a short animation.
            QTRY_VERIFY(!box->isVisible());
        });
        QCOMPARE(ui.question(&owner, QStringLiteral("Apply?"),
                             {Answer::Apply, Answer::Discard, Answer::Cancel}, Answer::Cancel),
                 static_cast<Answer>(answer));
        texts.sort();
        QCOMPARE(texts, QStringList({"&Apply", "&Cancel", "&Discard"}));
    }

    // The save chooser offers the name suggested and adds its extension to a
    // name typed without one.
    void saveChooserSuggestsANameAndAddsItsExtension()
    {
        QTemporaryDir folder;
        QtUiServices ui;
        QWidget owner;
        owner.show();
        QString offered;
        whenModalOpens([&](QWidget* widget) {
            auto* nameBox = widget->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(nameBox);
            offered = nameBox->text();
            chooseName(widget, folder.path(), QStringLiteral("mine"));
        });
        const QString chosen = ui.chooseFileToSave(&owner, QStringLiteral("range-2026-12-10.csv"));
        QCOMPARE(offered, QStringLiteral("range-2026-12-10.csv"));
        QCOMPARE(chosen, QDir(folder.path()).filePath(QStringLiteral("mine.csv")));

        whenModalOpens(
            [&](QWidget* widget) { chooseName(widget, folder.path(), QStringLiteral("mine.txt")); });
        QCOMPARE(ui.chooseFileToSave(&owner, QStringLiteral("range-2026-12-10.csv")),
                 QDir(folder.path()).filePath(QStringLiteral("mine.txt")));
    }

    void fileChoosersShowAllFiles_data()
    {
        QTest::addColumn<FileChooser>("purpose");
        QTest::addColumn<QFileDialog::AcceptMode>("acceptMode");
        QTest::addColumn<QFileDialog::FileMode>("fileMode");
        QTest::newRow("Save To File") << FileChooser::Save << QFileDialog::AcceptSave << QFileDialog::AnyFile;
        QTest::newRow("Restore From File")
            << FileChooser::Open << QFileDialog::AcceptOpen << QFileDialog::ExistingFile;
    }

    void fileChoosersShowAllFiles()
    {
        QFETCH(FileChooser, purpose);
        QFETCH(QFileDialog::AcceptMode, acceptMode);
        QFETCH(QFileDialog::FileMode, fileMode);
        QtUiServices ui;
        bool seen = false;
        whenModalOpens([&](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            QVERIFY(dialog);
            seen = true;
            QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
            QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
            QCOMPARE(dialog->acceptMode(), acceptMode);
            QCOMPARE(dialog->fileMode(), fileMode);
            QCOMPARE(dialog->nameFilters(), QStringList({"All files (*)", "Text files (*.txt)"}));
            QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("All files (*)"));
        });
        QCOMPARE(ui.chooseFile(nullptr, purpose), QString());
        QVERIFY(seen);
    }

    // Any name is taken; an existing file only after the user agreed to replace it.
    void saveChooserTakesANewNameAndAsksBeforeReplacing()
    {
        QtUiServices ui;
        QTemporaryDir dir;
        const QString fresh = QDir(dir.path()).filePath(QStringLiteral("new.cfg"));
        whenModalOpens([&](QWidget* widget) { chooseName(widget, dir.path(), QStringLiteral("new.cfg")); });
        QCOMPARE(ui.chooseFile(nullptr, FileChooser::Save), fresh);

        const QString existing = QDir(dir.path()).filePath(QStringLiteral("old.txt"));
        QFile(existing).open(QIODevice::WriteOnly);
        for (const bool replace : {false, true}) {
            QString question;
            whenModalOpens([&](QWidget* widget) {
                answerNextMessageBox(replace ? QMessageBox::Yes : QMessageBox::No, question);
                chooseName(widget, dir.path(), QStringLiteral("old.txt"));
            });
            QCOMPARE(ui.chooseFile(nullptr, FileChooser::Save), replace ? existing : QString());
            QVERIFY2(question.contains(QLatin1String("old.txt")), qPrintable(question));
        }
    }

    // A name that is not there is refused with a message and the chooser stays.
    void openChooserRequiresAnExistingFile()
    {
        QtUiServices ui;
        QTemporaryDir dir;
        const QString existing = QDir(dir.path()).filePath(QStringLiteral("saved.cfg"));
        QFile(existing).open(QIODevice::WriteOnly);
        QString refusal;
        bool stayedOpen = false;
        whenModalOpens([&](QWidget* widget) {
            answerNextMessageBox(QMessageBox::Ok, refusal);
            chooseName(widget, dir.path(), QStringLiteral("missing.cfg"));
            stayedOpen = widget->isVisible();
            chooseName(widget, dir.path(), QStringLiteral("saved.cfg"));
        });
        QCOMPARE(ui.chooseFile(nullptr, FileChooser::Open), existing);
        QVERIFY(stayedOpen);
        QVERIFY2(refusal.contains(QLatin1String("missing.cfg")), qPrintable(refusal));
    }
    void busyCursorNests()
    {
        QtUiServices ui;
        {
            BusyCursor outer(ui);
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            {
                BusyCursor inner(ui);
            }
            QVERIFY(QApplication::overrideCursor() != nullptr);
        }
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }
};

TOLVANE_REGISTER_TEST(QtUiServicesTest)
#include "QtUiServicesTest.moc"
