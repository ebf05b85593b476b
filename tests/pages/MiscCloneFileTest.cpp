// Cloning one sensor's configuration onto another, saving and restoring the
// configuration file through the Misc. page.

#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#endif
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "MiscSession.h"
#include "TestRegistry.h"
#include "resources/SonarControls.h"

using misctest::Session;
using namespace misc;
using sim::HalfId;

namespace {

// A configuration unlike the factory one, in every block.
sim::SensorHalves DistinctConfig()
{
    sim::SensorHalves config = sim::factoryDefaults(0x0405);
    config[HalfId::Sonar] = {0x02, 100, 8, 52, 139, 4, 3, 1};
    config[HalfId::WalkAway1] = {2, 3, 0x01, 0x02, 0, 0, 0, 0};
    config[HalfId::WalkAway2] = {0, 12, 0x04, 0x05, 0, 0, 0, 0};
    config[HalfId::WalkUp1] = {1, 4, 0x05, 0, 0, 0, 0, 0};
    config[HalfId::WalkUp2] = {0, 0x5A, 0x4C, 0, 0, 0, 0, 0};
    config[HalfId::WalkAwayEx1] = {1, 0x02, 0, 0, 0, 0, 0, 0};
    config[HalfId::WalkAwayEx2] = {0, 0x06, 0, 0, 0, 0, 0, 0};
    config[HalfId::WalkUpEx1] = {1, 0x01, 0, 0, 0, 0, 0, 0};
    config[HalfId::WalkUpEx2] = {0, 0x07, 0, 0, 0, 0, 0, 0};
    config[HalfId::Idle] = {0x03, 0, 0, 0, 0x01, 34, 60, 10};  // a delta the Sonar page shows exactly
    return config;
}

QString FileText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    return QString::fromUtf8(file.readAll());
}

#ifdef _WIN32
constexpr DWORD kPathNotFound = ERROR_PATH_NOT_FOUND;
constexpr DWORD kFileNotFound = ERROR_FILE_NOT_FOUND;

// The system's own words for a missing file or folder (they differ between
// Windows languages and Wine), without the line end and full stop.
QString NotFoundWords(DWORD error)
{
    wchar_t text[512] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        error, 0, text, std::size(text), nullptr);
    QString words = QString::fromWCharArray(text, static_cast<int>(length)).trimmed();
    if (words.endsWith(u'.')) words.chop(1);
    return words;
}
#else
constexpr int kPathNotFound = ENOENT;
constexpr int kFileNotFound = ENOENT;

QString NotFoundWords(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
#endif

// The value a template file gives a field.
int FileValue(const QString& text, const QString& field)
{
    const QRegularExpression line(QStringLiteral("^%1 = (\\d+)").arg(field),
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(text);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

}  // namespace

class MiscCloneFileTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Session> s;
    std::unique_ptr<QTemporaryDir> dir;

    void verifyPlainMessages(const QStringList& texts) const
    {
        QCOMPARE(s->ui.messageTexts(), texts);
        for (const RecordingUiServices::Message& message : s->ui.messages()) {
            QCOMPARE(message.Caption, programDisplayName());
            QCOMPARE(message.Icon, MessageIcon::None);
        }
    }

    QString sonarText(int id) const { return s->sonar->item(id)->property("text").toString(); }

    QStringList folderEntries() const
    {
        return QDir(dir->path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    }

private slots:
    void init()
    {
        s = std::make_unique<Session>();
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }
    void cleanup()
    {
        s.reset();
        dir.reset();
    }

    // B receives A's six blocks and keeps its LUID; B is read back, so the
    // pages show what it now holds.
    void cloneFromOneSensorToAnother()
    {
        const sim::DeviceId a = s->sim.plugSensor(0x0405, 0x1111);
        s->sim.sensor(a).Config = DistinctConfig();
        s->start();
        s->click(SaveClone);
        QVERIFY(s->isChecked(CloneSaved));
        QVERIFY(s->sim.transcript().empty());

        s->sim.unplug(a);
        const sim::DeviceId b = s->sim.plugSensor(0x0405, 0x2222);
        const ConfigSet shownBefore = s->model.EditCfg;
        QCOMPARE(sonarText(sonar::PingRate), QStringLiteral("500"));

        s->click(WriteClone);
        verifyPlainMessages({});
        QVERIFY(s->sim.sensor(b).Config == DistinctConfig());
        QCOMPARE(s->sim.sensor(b).Luid, 0x2222);
        QVERIFY(s->model.EditCfg != shownBefore);
        QVERIFY(s->model.EditCfg == s->model.CloneCfg);
        QCOMPARE(s->model.EditLuid, 0x2222);
        QCOMPARE(sonarText(sonar::PingRate), QStringLiteral("400"));
        QVERIFY(s->isChecked(CloneSaved));
    }

    void writeBeforeSaveRefused()
    {
        s->sim.plugSensor();
        s->start();
        s->click(WriteClone);
        verifyPlainMessages({QStringLiteral("Data NOT Saved!")});
        QVERIFY(s->sim.transcript().empty());
    }

    // Without a sensor there is nothing to save or write to; a copy saved
    // from a sensor outlives it and goes to the next one.
    void cloneActionsWaitForASensor()
    {
        s->start();
        for (int id : {SaveClone, WriteClone}) {
            QVERIFY(!s->button(id)->isEnabled());
            s->click(id);
        }
        QVERIFY(!s->isChecked(CloneSaved));
        verifyPlainMessages({});

        const sim::DeviceId a = s->sim.plugSensor(0x0405, 1);
        s->sim.sensor(a).Config[sim::HalfId::Sonar][1] = 200;
        s->sim.unplug(a);
        s->sim.replug(a);
        QVERIFY(s->button(SaveClone)->isEnabled());
        s->click(SaveClone);
        s->sim.unplug(a);
        QVERIFY(s->isChecked(CloneSaved));
        QVERIFY(!s->button(WriteClone)->isEnabled());

        const sim::DeviceId b = s->sim.plugSensor(0x0405, 2);
        s->click(WriteClone);
        verifyPlainMessages({});
        QCOMPARE(s->sim.sensor(b).Config[sim::HalfId::Sonar][1], 200);
    }

    // The pending ping rate is corrected by the Sonar page's collect step and
    // saved as corrected; it stays pending for Apply.
    void saveToFileCollectsPendingPingRate()
    {
        const sim::DeviceId id = s->sim.plugSensor();
        s->start();
        s->click(AdvancedSettings);
        Session::typeInto(s->sonar->item(sonar::PingRate), QStringLiteral("150"));
        QVERIFY(s->model.SonarChanged);
        const QString path = dir->filePath(QStringLiteral("pending.txt"));
        s->ui.queueFileAnswer(path);

        s->click(SaveToFile);
        QCOMPARE(s->ui.messages().size(), 1u);
        QCOMPARE(s->ui.messages()[0].Caption, QStringLiteral("Ping Rate Error"));
        QCOMPARE(sonarText(sonar::PingRate), QStringLiteral("200"));
        QCOMPARE(FileValue(FileText(path), QStringLiteral("PingRateS")), 200);
        QVERIFY(s->model.SonarChanged);
        QVERIFY(s->host.isMarkedModified(*s->sonar));
        QVERIFY(s->sim.transcript().empty());

        s->apply();
        QCOMPARE(int(s->sim.sensor(id).Config[HalfId::Sonar][1]), 50);  // 200 ms in 4 ms steps
    }

    // A file at a path longer than 127 characters is restored into the
    // pages; Cancel leaves the sensor as it was, Apply writes every block.
    void restoreFromFileThenApply()
    {
        const sim::DeviceId a = s->sim.plugSensor(0x0405, 0x1111);
        s->sim.sensor(a).Config = DistinctConfig();
        s->start();
        const QString folder =
            dir->filePath(QString(60, QChar('d')) + QStringLiteral("/") + QString(60, QChar('e')));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/configuration-template.txt");
        QVERIFY(path.size() > 127);
        s->ui.queueFileAnswer(path);
        s->click(SaveToFile);
        verifyPlainMessages({});

        s->sim.unplug(a);
        const sim::DeviceId b = s->sim.plugSensor(0x0405, 0x2222);
        s->host.clearRecords();
        s->sim.clearTranscript();
        s->ui.queueFileAnswer(path);
        s->click(RestoreFromFile);
        verifyPlainMessages({});
        QCOMPARE(s->host.commands().size(), 1u);
        QCOMPARE(s->host.commands()[0].Id, PageCommand::Refresh);
        QCOMPARE(s->host.commands()[0].Argument, 1);
        QCOMPARE(sonarText(sonar::PingRate), QStringLiteral("400"));
        QVERIFY(s->host.isMarkedModified(*s->walkAway));
        QVERIFY(s->host.isMarkedModified(*s->walkTo));
        QVERIFY(s->host.isMarkedModified(*s->sonar));
        // Cancel on the sheet applies nothing: the sensor keeps its own.
        QVERIFY(s->sim.transcript().empty());
        QVERIFY(s->sim.sensor(b).Config == sim::factoryDefaults(0x0405));

        s->apply();
        QVERIFY(s->sim.sensor(b).Config == DistinctConfig());
        QCOMPARE(s->sim.sensor(b).Luid, 0x2222);
        QVERIFY(!s->host.anyMarkedModified());
    }

    void fileFailures_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("existing");  // what is at the path before: "", "pipe" or "text:..."
        QTest::addColumn<QString>("message");      // %1 stands for the path
        QTest::newRow("save cancelled") << int(SaveToFile) << "" << QByteArray() << "";
        QTest::newRow("restore cancelled") << int(RestoreFromFile) << "" << QByteArray() << "";
        QTest::newRow("save into missing folder")
            << int(SaveToFile) << "missing/config.txt" << QByteArray()
            << "Failed WriteDevCfgToFile!\n\n%1: " + NotFoundWords(kPathNotFound);
        QTest::newRow("restore missing file")
            << int(RestoreFromFile) << "missing.txt" << QByteArray()
            << "Failed ReadDevCfgFmFile!\n\n%1: " + NotFoundWords(kFileNotFound);
#ifndef _WIN32
        // Windows has no named pipes in the file system.
        QTest::newRow("save onto a pipe")
            << int(SaveToFile) << "pipe" << QByteArray("pipe")
            << "Failed WriteDevCfgToFile!\n\n%1: this is a pipe, not a regular file";
        QTest::newRow("restore from a pipe")
            << int(RestoreFromFile) << "pipe" << QByteArray("pipe")
            << "Failed ReadDevCfgFmFile!\n\n%1: this is a pipe, not a regular file";
#endif
        QTest::newRow("restore a file of no template values")
            << int(RestoreFromFile) << "photo.jpg"
            << QByteArray("text:\xFF\xD8\xFF\xE0 JFIF\nPingRate = 500\n")
            << "Failed ReadDevCfgFmFile!\n\n%1: no line of this file is a configuration template value";
    }

    // Nothing reaches the sensor, the pages or the folder; the message names
    // the file and what is wrong with it.
    void fileFailures()
    {
        QFETCH(int, button);
        QFETCH(QString, fileName);
        QFETCH(QByteArray, existing);
        QFETCH(QString, message);
        s->sim.plugSensor();
        s->start();
        const ConfigSet before = s->model.EditCfg;
        const QString path = fileName.isEmpty() ? QString() : dir->filePath(fileName);
#ifndef _WIN32
        if (existing == "pipe") QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
        if (existing.startsWith("text:")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(existing.mid(5));
        }
        const QStringList entriesBefore = folderEntries();
        s->ui.queueFileAnswer(path);

        s->click(button);
        QCOMPARE(s->ui.fileChoosers(),
                 std::vector<FileChooser>{button == SaveToFile ? FileChooser::Save : FileChooser::Open});
        verifyPlainMessages(message.isEmpty() ? QStringList{} : QStringList{message.arg(path)});
        QVERIFY(s->host.commands().empty());
        QVERIFY(!s->host.anyMarkedModified());
        QVERIFY(s->model.EditCfg == before);
        QVERIFY(s->sim.transcript().empty());
        QCOMPARE(folderEntries(), entriesBefore);
    }

    // Without a sensor there is no configuration to save or to restore into:
    // neither button is offered, and nothing happens at a click.
    void fileActionsWaitForASensor_data()
    {
        QTest::addColumn<int>("button");
        QTest::newRow("save to file") << int(SaveToFile);
        QTest::newRow("restore from file") << int(RestoreFromFile);
    }

    void fileActionsWaitForASensor()
    {
        QFETCH(int, button);
        s->start();
        s->ui.queueFileAnswer(dir->filePath(QStringLiteral("none.txt")));
        QVERIFY(!s->button(button)->isEnabled());
        s->click(button);
        QCOMPARE(s->ui.fileChooserCalls(), 0);
        QVERIFY(s->ui.messages().empty());
        QVERIFY(s->host.commands().empty());
        QVERIFY(!QFile::exists(dir->filePath(QStringLiteral("none.txt"))));

        s->sim.plugSensor();
        QVERIFY(s->button(button)->isEnabled());
    }
};

TOLVANE_REGISTER_TEST(MiscCloneFileTest)
#include "MiscCloneFileTest.moc"
