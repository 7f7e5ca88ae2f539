#include "timing/SoundPlayer.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>

namespace {
const char* const SoundFiles[TSoundPlayer::SoundCount] = {
    "sound/Light1.wav", "sound/Light2.wav", "sound/Light3.wav",    "sound/Light4.wav",
    "sound/Start.wav",  "sound/Lap.wav",    "sound/FasterLap.wav", "sound/Finish.wav",
};

static_assert(TSoundPlayer::SoundCount == 8, "one file per sound switch");

bool InRange(TRaceSound sound)
{
    return int(sound) < TSoundPlayer::SoundCount;  // the enum is unsigned
}
}  // namespace

QString TSoundPlayer::FileName(TRaceSound sound)
{
    return InRange(sound) ? QString::fromLatin1(SoundFiles[int(sound)]) : QString();
}

TSoundPlayer::TSoundPlayer(const QString& folder, QObject* parent) : QObject(parent)
{
    // Without an audio output there is nothing to load: the effects would only
    // fail one by one and fill the log.
    if (QMediaDevices::audioOutputs().isEmpty())
        return;
    const QDir dir(folder);
    for (int sound = 0; sound < SoundCount; ++sound) {
        const QFileInfo file(dir.filePath(FileName(TRaceSound(sound))));
        if (!file.isFile())
            continue;
        auto* effect = new QSoundEffect(this);
        effect->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
        connect(effect, &QSoundEffect::playingChanged, this, [this] {
            if (!Playing())
                emit Quiet();
        });
        m_effects[sound] = effect;
    }
}

TSoundPlayer::~TSoundPlayer() = default;

void TSoundPlayer::Play(TRaceSound sound)
{
    if (!InRange(sound))
        return;
    if (thread() == QThread::currentThread())
        PlayNow(sound);
    else
        QMetaObject::invokeMethod(
            this, [this, sound] { PlayNow(sound); }, Qt::QueuedConnection);
}

bool TSoundPlayer::Available(TRaceSound sound) const { return InRange(sound) && m_effects[int(sound)] != nullptr; }

bool TSoundPlayer::Playing() const
{
    for (const QSoundEffect* effect : m_effects)
        if (effect && effect->isPlaying())
            return true;
    return false;
}

void TSoundPlayer::PlayNow(TRaceSound sound)
{
    QSoundEffect* effect = m_effects[int(sound)];
    // A file that turned out not to be a wave the effect can decode is left
    // out like a missing one.
    const bool playable = effect && effect->status() != QSoundEffect::Error;
    if (playable)
        effect->play();
    emit Sounded(sound, playable);
}
