// The tone through the sound server: the samples it plays, and what happens
// when no sound server answers (the caller falls back to the desktop's bell).
// No test makes a sound.

#include <QTest>

#include "TestRegistry.h"
#include "app/SoundServerTone.h"

class SoundServerToneTest : public QObject {
    Q_OBJECT
private slots:
    void sineSamples_data()
    {
        QTest::addColumn<int>("frequencyHz");
        QTest::addColumn<int>("durationMs");
        QTest::newRow("the trap tone") << 1000 << 1000;
        QTest::newRow("440 Hz, a quarter second") << 440 << 250;
        QTest::newRow("no duration") << 1000 << 0;
    }

    // The length follows the duration; the upward zero crossings count the
    // periods; the level is a quarter of full scale; start and end are faded.
    void sineSamples()
    {
        QFETCH(int, frequencyHz);
        QFETCH(int, durationMs);
        const std::vector<std::int16_t> samples =
            SineSamples(frequencyHz, durationMs, SoundServerTone::kSampleRate);
        QCOMPARE(samples.size(), std::size_t(SoundServerTone::kSampleRate * durationMs / 1000));
        if (samples.empty()) return;

        int rises = 0;
        for (std::size_t i = 1; i < samples.size(); ++i) rises += samples[i - 1] < 0 && samples[i] >= 0;
        const int periods = frequencyHz * durationMs / 1000;
        QVERIFY2(rises >= periods - 1 && rises <= periods, qPrintable(QString::number(rises)));

        const auto [low, high] = std::ranges::minmax(samples);
        QVERIFY(high > 8000 && high <= 8192);
        QVERIFY(low < -8000 && low >= -8192);
        QVERIFY(std::abs(samples.front()) < 100);
        QVERIFY(std::abs(samples.back()) < 100);
    }

    void noSoundServerAnswers()
    {
#ifdef _WIN32
        QSKIP("Windows sounds the tone through Beep, which needs no sound server");
#endif
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", "unix:/nonexistent/tolvane-test-sound-server");
        SoundServerTone tone;
        const bool played = tone.play(1000, 1000);
        if (saved.isNull()) {
            qunsetenv("PULSE_SERVER");
        } else {
            qputenv("PULSE_SERVER", saved);
        }
        QVERIFY(!played);
    }
};

TOLVANE_REGISTER_TEST(SoundServerToneTest)
#include "SoundServerToneTest.moc"
