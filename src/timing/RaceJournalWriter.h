#pragma once

#include "timing/RaceJournalFormat.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <atomic>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

// Writes the journal of the race running, off the timing thread. The timing
// thread only pushes its laps into a fixed ring (no lock, no allocation, no
// write); the UI thread hands in the race's description and its control
// events. A thread of the writer's own drains both every few milliseconds,
// appends them to the file and syncs it, so a lap is on disk a few tens of
// milliseconds after its crossing, however busy the UI thread is.
class TRaceJournalWriter {
public:
    using TLapRing = RaceJournalFormat::TLapRing;
    // How often the writer looks for new records: the bound on a lap's wait
    // before its write and sync begin.
    static constexpr int BatchIntervalMs = 20;

    explicit TRaceJournalWriter(QString path);
    ~TRaceJournalWriter();
    TRaceJournalWriter(const TRaceJournalWriter&) = delete;
    TRaceJournalWriter& operator=(const TRaceJournalWriter&) = delete;

    // A new journal with its header and the race's description, durable
    // before it returns, and the writer thread started. False with the
    // reason when the file cannot be made; the race can then still be run.
    bool Begin(const QByteArray& race, QString& error);
    // Goes on with a journal found at start-up, after its first validBytes
    // (the records a replay trusted); false with the reason when it cannot.
    bool Continue(int64_t validBytes, QString& error);
    // The timing thread's side.
    TLapRing& Laps() { return m_laps; }
    // A race-control event, while the timing thread pushes no laps (before
    // it starts, at a synchronous hand-over or a halt, after its end).
    void Event(const QByteArray& payload);
    // Writes what is left and stops the thread. With clear, the race ended
    // normally and the journal is removed, durably.
    void Finish(bool clear);

    bool Active() const { return m_thread.joinable(); }
    QString Path() const { return m_path; }
    // The first write or sync that failed, said once; the race goes on.
    QString Failure() const;
    // Laps made durable so far, for those who wait on it (tests, benchmarks).
    int64_t DurableLaps() const { return m_durableLaps.load(std::memory_order_acquire); }

private:
    void Reset();
    void StartThread();
    void Run();
    bool WriteBatch();
    void Fail(const QString& text);

    QString m_path;
    int m_fd = -1;
    TLapRing m_laps;
    mutable QMutex m_lock;  // guards m_events and m_failure
    // Encoded event records waiting for the writer, each with the number of
    // laps pushed before it, so that it lands between the right laps.
    std::vector<std::pair<uint32_t, QByteArray>> m_events;
    QString m_failure;
    QByteArray m_buffer;  // the writer's own, reserved once
    std::atomic<bool> m_stop{false};
    std::atomic<int64_t> m_durableLaps{0};
    std::thread m_thread;
};
