#pragma once

#include "voice/AnnouncementChoice.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// One thing to say. Times are the race clock's milliseconds.
struct TPhrase {
    TAnnouncementKind Kind = TAnnouncementKind::LineUp;
    // What the phrase is about: a newer phrase on the same topic replaces one
    // still waiting (the second of two fastest laps makes the first moot).
    int Topic = 0;
    int Priority = 0;  // lower is more urgent
    QString Text;
    int64_t MadeMs = 0;
    // Said no later than this, or not at all: a fastest lap announced after
    // the next lap has been driven is worse than none.
    int64_t DeadlineMs = 0;
    bool operator==(const TPhrase&) const = default;
};

// How long a phrase takes to say at a speech rate (-100..100), roughly: the
// queue uses it to keep what waits short.
int64_t EstimatedSpeechMs(const QString& text, int ratePercent);

// The phrases waiting to be said. Plain and single-threaded: the announcer
// feeds it and takes from it on the UI thread.
//
// It never holds more than MaxWaitingMs of speech: a phrase that would make
// it longer pushes out the least urgent ones (itself, when it is the least
// urgent). A phrase whose deadline has passed is dropped when the next is taken.
class TPhraseQueue {
public:
    static constexpr int64_t MaxWaitingMs = 6000;

    void SetRate(int ratePercent) { m_rate = ratePercent; }
    void Push(const TPhrase& phrase);
    // The most urgent phrase still in time at nowMs (of equal urgency, the
    // oldest), taken out; none when nothing is left in time.
    std::optional<TPhrase> TakeNext(int64_t nowMs);
    void Clear() { m_waiting.clear(); }

    const QList<TPhrase>& Waiting() const { return m_waiting; }
    int64_t WaitingMs() const;
    // Phrases pushed out or too late, since the queue was made.
    int Dropped() const { return m_dropped; }

private:
    QList<TPhrase> m_waiting;
    int m_rate = 0;
    int m_dropped = 0;
};
