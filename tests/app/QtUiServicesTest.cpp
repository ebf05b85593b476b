// The desktop UI services: what the message box and the file chooser look
// like when they come up, what they return, and the busy cursor.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
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

    void fileChooserStartsWithAllFilesAndTakesANewName()
    {
        QtUiServices ui;
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(QStringLiteral("new.cfg"));
        whenModalOpens([&](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            QVERIFY(dialog);
            QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            QCOMPARE(name->text(), QStringLiteral("*.*"));
            // A file that does not exist yet is taken as typed.
            dialog->setDirectory(dir.path());
            name->setText(QStringLiteral("new.cfg"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(ui.chooseFile(nullptr), path);

        whenModalOpens([](QWidget* widget) { QVERIFY(qobject_cast<QFileDialog*>(widget)); });
        QCOMPARE(ui.chooseFile(nullptr), QString());
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
