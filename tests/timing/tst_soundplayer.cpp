#include "support/TestSupport.h"
#include "timing/SoundPlayer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <QtTest>

namespace {
TRaceSound Sound(int index) { return TRaceSound(index); }

// Plays every sound, and two values that are none, from a thread of its own;
// true when that thread came back while the UI thread ran no event at all. A
// player that waited for the UI thread would never come back, so the wait
// has a generous bound only to end such a test rather than hang it.
bool PlayAllFromAnotherThread(TSoundPlayer& player)
{
    std::unique_ptr<QThread> thread(QThread::create([&player] {
        for (int sound = 0; sound < TSoundPlayer::SoundCount; ++sound)
            player.Play(Sound(sound));
        player.Play(Sound(8));
        player.Play(Sound(255));
    }));
    thread->start();
    const bool returned = thread->wait(QDeadlineTimer(60000));
    if (!returned) {
        thread->terminate();
        thread->wait();
    }
    return returned;
}

void CopySounds(const QString& to)
{
    QDir().mkpath(to + QStringLiteral("/sound"));
    for (int sound = 0; sound < TSoundPlayer::SoundCount; ++sound) {
        const QString name = TSoundPlayer::FileName(Sound(sound));
        QVERIFY(QFile::copy(QStringLiteral(KOBALAP_RESOURCE_DIR "/") + name, to + QLatin1Char('/') + name));
    }
}

// What the player reports: which sound, whether it went out, on which thread.
struct TSoundLog {
    QList<int> sounds;
    QList<bool> played;
    QList<QThread*> threads;

    explicit TSoundLog(TSoundPlayer& player)
    {
        QObject::connect(
            &player, &TSoundPlayer::Sounded, &player,
            [this](TRaceSound sound, bool wentOut) {
                sounds << int(sound);
                played << wentOut;
                threads << QThread::currentThread();
            },
            Qt::DirectConnection);
    }
};
}  // namespace

class TestSoundPlayer : public QObject {
    Q_OBJECT
private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }
    void cleanup() { m_dir.reset(); }

    void fileNames_data()
    {
        QTest::addColumn<int>("sound");
        QTest::addColumn<QString>("file");
        QTest::newRow("light 1") << int(TRaceSound::Light1) << "sound/Light1.wav";
        QTest::newRow("light 2") << int(TRaceSound::Light2) << "sound/Light2.wav";
        QTest::newRow("light 3") << int(TRaceSound::Light3) << "sound/Light3.wav";
        QTest::newRow("light 4") << int(TRaceSound::Light4) << "sound/Light4.wav";
        QTest::newRow("start") << int(TRaceSound::Start) << "sound/Start.wav";
        QTest::newRow("lap") << int(TRaceSound::Lap) << "sound/Lap.wav";
        QTest::newRow("faster lap") << int(TRaceSound::FasterLap) << "sound/FasterLap.wav";
        QTest::newRow("finish") << int(TRaceSound::Finish) << "sound/Finish.wav";
        QTest::newRow("none") << 8 << "";
    }
    void fileNames()
    {
        QFETCH(int, sound);
        QFETCH(QString, file);
        QCOMPARE(TSoundPlayer::FileName(Sound(sound)), file);
    }

    void shippedFilesAreThere()
    {
        for (int sound = 0; sound < TSoundPlayer::SoundCount; ++sound) {
            const QString name = TSoundPlayer::FileName(Sound(sound));
            QVERIFY2(QFile::exists(QStringLiteral(KOBALAP_RESOURCE_DIR "/") + name), qPrintable(name));
        }
    }

    // No sound folder at all: every sound is left out, quietly, and a call
    // from the timing thread still returns at once.
    void missingFilesAreLeftOut()
    {
        TMessageScript messages;
        TSoundPlayer player;
        TSoundLog log(player);
        for (int sound = 0; sound < TSoundPlayer::SoundCount; ++sound)
            QVERIFY(!player.Available(Sound(sound)));

        QVERIFY(PlayAllFromAnotherThread(player));
        QVERIFY(log.sounds.isEmpty());  // nothing ran on the calling thread
        QCoreApplication::processEvents();
        QCOMPARE(log.sounds, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(log.played, QList<bool>(TSoundPlayer::SoundCount, false));
        QVERIFY(Messages::Shown().isEmpty());
        VERIFY_MESSAGES_SETTLED();
    }

    // With the shipped files the sounds go out on the UI thread, in the order
    // asked for. A machine without an audio output (a build server) leaves
    // them out instead; either way nothing blocks and nothing breaks.
    void soundsPlayOnTheUiThread()
    {
        CopySounds(m_dir->Path());
        TSoundPlayer player(m_dir->Path());
        TSoundLog log(player);

        QVERIFY(PlayAllFromAnotherThread(player));
        QCoreApplication::processEvents();
        QCOMPARE(log.sounds, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
        for (int sound = 0; sound < TSoundPlayer::SoundCount; ++sound) {
            QCOMPARE(log.threads.at(sound), QThread::currentThread());
            QCOMPARE(log.played.at(sound), player.Available(Sound(sound)));
        }
    }

    // The timer thread's host posts the sound to the UI thread already; there
    // it starts at once instead of taking a second trip through the queue.
    void onItsOwnThreadASoundStartsAtOnce()
    {
        TSoundPlayer player;
        TSoundLog log(player);
        player.Play(TRaceSound::Finish);
        QCOMPARE(log.sounds, QList<int>{int(TRaceSound::Finish)});
    }

    void aFileThatIsNoWaveDoesNoHarm()
    {
        TMessageScript messages;
        QDir().mkpath(m_dir->File("sound"));
        QFile garbage(m_dir->File("sound/Lap.wav"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("RIFF\x10\0\0\0not a wave at all", 24);
        garbage.close();
        TSoundPlayer player;
        TSoundLog log(player);
        player.Play(TRaceSound::Lap);
        player.Play(TRaceSound::Lap);
        QCoreApplication::processEvents();
        QCOMPARE(log.sounds.size(), 2);
        QVERIFY(Messages::Shown().isEmpty());
        VERIFY_MESSAGES_SETTLED();
    }

private:
    std::unique_ptr<TTestWorkDir> m_dir;
};

QTEST_MAIN(TestSoundPlayer)
#include "tst_soundplayer.moc"
