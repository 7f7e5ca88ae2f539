#pragma once

#include "voice/AnnouncementChoice.h"
#include "voice/AnnouncementRules.h"
#include "voice/PhraseQueue.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class TRaceClock;
class TSoundPlayer;
class TSpeaker;

// The race called out loud. The race window hands it what happens (the
// line-up, each display refresh, the loss of timing, the end); the rules
// make phrases of it, and the announcer says them one at a time, most urgent
// first, never over a race sound and never once they are out of date. UI
// thread only; it never waits for the speaker.
class TAnnouncer : public QObject {
    Q_OBJECT
public:
    TAnnouncer(TRaceClock& clock, std::unique_ptr<TSpeaker> speaker, QObject* parent = nullptr);
    ~TAnnouncer() override;

    // Another speaker from now on (a test's recorder).
    void SetSpeaker(std::unique_ptr<TSpeaker> speaker);
    TSpeaker& Speaker() const { return *m_speaker; }

    // What is said and how; applied to the speaker at once.
    void SetChoice(const TAnnouncementChoice& choice);
    const TAnnouncementChoice& Choice() const { return m_choice; }
    // Where the spoken forms' driver numbers are turned into the names the
    // races carry; asked at each line-up, so a renamed driver is said well.
    void SetNameSource(std::function<QHash<QString, QString>(const QMap<int32_t, QString>&)> source);

    // The race sounds that a phrase waits for (none: nothing to wait for).
    void SetWaves(TSoundPlayer* waves);

    // A race event; nothing happens while the announcements are off.
    void Hear(const TRaceEvent& event);
    // The settings' "Test": a sample in the trial's voice, rate and volume,
    // whether the announcements are on or not; the choice in force is
    // restored after it.
    void SaySample(const TAnnouncementChoice& trial);
    static QString SampleText();

    // Phrases dropped as out of date or pushed out by more urgent ones.
    int Dropped() const { return m_queue.Dropped(); }

signals:
    // A phrase handed to the speaker.
    void Saying(const QString& text);

private:
    void SayNext();
    void SpeakerFinished();
    void ApplyVoice(const TAnnouncementChoice& choice);

    TRaceClock& m_clock;
    std::unique_ptr<TSpeaker> m_speaker;
    TAnnouncementChoice m_choice;
    TAnnouncementRulesConfig m_rulesConfig;
    std::function<QHash<QString, QString>(const QMap<int32_t, QString>&)> m_nameSource;
    TAnnouncerMemory m_memory;
    TPhraseQueue m_queue;
    QPointer<TSoundPlayer> m_waves;
    bool m_speaking = false;
    bool m_sampleSpoken = false;  // the choice is restored once the sample is done
};
