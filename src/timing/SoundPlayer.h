#pragma once

#include "timing/RaceHost.h"

#include <QDir>
#include <QObject>
#include <QString>
#include <array>

class QSoundEffect;

// The race sounds: eight short wave files beside the program, played
// asynchronously. The effects are loaded once, on the UI thread, when the
// player is made; Play hands the sound to the UI thread with a queued call and
// returns at once, so neither the countdown nor the race loop ever waits for
// audio. A file that is missing or cannot be decoded, or a machine without an
// audio output, leaves that sound out without a word.
//
// Whether a sound is wanted at all (the eight sound switches of the settings)
// is the caller's decision; the player plays whatever it is asked to.
class TSoundPlayer : public QObject {
    Q_OBJECT
public:
    static constexpr int SoundCount = RaceSoundCount;

    // The file of a sound, relative to the working directory
    // ("sound/Light1.wav" ... "sound/Finish.wav"); empty for a value outside
    // the eight sounds.
    static QString FileName(TRaceSound sound);

    // Loads the sounds found under `folder` (the working directory unless
    // told otherwise). Must be made on the UI thread.
    explicit TSoundPlayer(const QString& folder = QDir::currentPath(), QObject* parent = nullptr);
    ~TSoundPlayer() override;

    // From any thread; returns at once. On the player's own thread the sound
    // starts right away (starting never waits for the audio), from any other
    // it is posted there. Values outside the eight sounds are ignored.
    void Play(TRaceSound sound);

    // Whether a sound has an effect to play it with (its file was there and an
    // audio output exists).
    bool Available(TRaceSound sound) const;
    // Whether any sound is being played now.
    bool Playing() const;

signals:
    // The last sound playing has ended: the announcer waits for this rather
    // than speak over a sound.
    void Quiet();
    // On the player's thread, once per Play: whether the sound went out.
    void Sounded(TRaceSound sound, bool played);

private:
    void PlayNow(TRaceSound sound);

    std::array<QSoundEffect*, SoundCount> m_effects{};
};
