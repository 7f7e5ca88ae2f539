// The machine's speech engine says a phrase from start to end, and a phrase
// waits for a race sound. Both need a sound output, and a test machine has no
// sound card: the test runs a sound server of its own with a silent output
// and points the program at it.
#include "common/RaceClock.h"
#include "support/RecordingSpeaker.h"
#include "timing/SoundPlayer.h"
#include "voice/Announcer.h"
#include "voice/TextToSpeechSpeaker.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextToSpeech>
#include <QtTest>

class TstSpeechEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void sampleIsSpokenToTheEnd();
    void phraseWaitsForTheRaceSound();

private:
    QTemporaryDir m_serverDir;
    QProcess m_server;
    QString m_skipped;
};

void TstSpeechEngine::initTestCase()
{
    if (QTextToSpeech::availableEngines().isEmpty()) {
        m_skipped = QStringLiteral("no speech engine is installed (qt6-speech-flite-plugin)");
        return;
    }
    const QString server = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (server.isEmpty()) {
        m_skipped = QStringLiteral("no sound server (pulseaudio) to give the engine a silent output");
        return;
    }
    QVERIFY(m_serverDir.isValid());
    const QString socket = m_serverDir.filePath(QStringLiteral("native"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_serverDir.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_serverDir.path());
    m_server.setProcessEnvironment(environment);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    // Should this test be killed before its clean-up, the server still goes
    // once nobody has used it for half a minute.
    m_server.start(server, {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                            QStringLiteral("--exit-idle-time=30"), QStringLiteral("--use-pid-file=no"),
                            QStringLiteral("--disable-shm"), QStringLiteral("--load=module-null-sink sink_name=silent"),
                            QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + socket});
    QVERIFY2(m_server.waitForStarted(10000), qPrintable(m_server.errorString()));
    QTRY_VERIFY2_WITH_TIMEOUT(QFileInfo::exists(socket), qPrintable(QString::fromLocal8Bit(m_server.readAll())), 20000);
    // Before anything in this process has looked for a sound output.
    qputenv("PULSE_SERVER", ("unix:" + socket).toLocal8Bit());
}

void TstSpeechEngine::cleanupTestCase()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000))
        m_server.kill();
    m_server.waitForFinished(5000);
}

void TstSpeechEngine::sampleIsSpokenToTheEnd()
{
    if (!m_skipped.isEmpty())
        QSKIP(qPrintable(m_skipped));
    TTextToSpeechSpeaker speaker;
    QSignalSpy ready(&speaker, &TSpeaker::EngineReady);
    QVERIFY(ready.wait(20000));
    QVERIFY2(speaker.HasEngine(), qPrintable(speaker.Problem()));
    QVERIFY(!speaker.Voices().isEmpty());

    QSignalSpy finished(&speaker, &TSpeaker::Finished);
    speaker.Configure(speaker.Voices().first(), 50, 80);
    speaker.Say(TAnnouncer::SampleText());
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.first().at(1).toString(), QString());
    QVERIFY(finished.first().at(0).toBool());
}

void TstSpeechEngine::phraseWaitsForTheRaceSound()
{
    if (!m_skipped.isEmpty())
        QSKIP(qPrintable(m_skipped));
    TSoundPlayer waves(QStringLiteral(KOBALAP_RESOURCE_DIR));
    QVERIFY(waves.Available(TRaceSound::Finish));
    TSteadyPerfCounter counter;
    TSystemClock clock(counter);
    TAnnouncer announcer(clock, std::make_unique<TRecordingSpeaker>());
    TAnnouncementChoice choice;
    choice.Enabled = true;
    announcer.SetChoice(choice);
    announcer.SetWaves(&waves);
    QSignalSpy saying(&announcer, &TAnnouncer::Saying);
    QSignalSpy quiet(&waves, &TSoundPlayer::Quiet);

    waves.Play(TRaceSound::Finish);
    QTRY_VERIFY_WITH_TIMEOUT(waves.Playing(), 10000);
    TRaceEvent lost;
    lost.Type = TRaceEvent::TType::TimingLost;
    lost.AtMs = clock.NowMs();
    announcer.Hear(lost);
    QCOMPARE(saying.count(), 0);
    QVERIFY(quiet.wait(10000));
    QCOMPARE(saying.count(), 1);
}

QTEST_GUILESS_MAIN(TstSpeechEngine)
#include "tst_speechengine.moc"
