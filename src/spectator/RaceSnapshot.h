#pragma once

#include "timing/RaceState.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <type_traits>

// What the spectator screen and the web feed are shown of a running race.
// It is fixed in size and trivially copyable so that the timing thread can
// hand it over with plain word copies: no allocation, no formatting, no lock
// in the poll loop. Texts that need converting (the drivers' names) are
// converted once on the UI thread when the race starts; the timing thread
// only refreshes the numbers.

// Where the race stands, as the engine knows it.
enum class TRacePhase : uint8_t { Ready, StartLights, Racing, Paused, Finished };

// A driver's name in UTF-8, NUL-terminated, cut at a character boundary.
inline constexpr int SnapshotNameBytes = 64;

struct TSnapshotTrack {
    bool Active = false;  // a driver is on this track and the track is timed
    bool FalseStart = false;
    std::array<char, SnapshotNameBytes> Name{};
    int32_t Laps = 0;                    // lap value
    uint32_t LastLap = 0;                // ms
    uint32_t FastestLap = NoFastestLap;  // ms; NoFastestLap before the first lap
    uint32_t TotalTime = 0;              // ms, race time of the last counted pass
    int32_t Fuel = -1;                   // 0..15 from a control unit, -1 none
    int32_t PitStops = -1;               // pit-lane entries this race, -1 not counted
};

struct TRaceSnapshot {
    TRaceKind RaceKind = TRaceKind::Lap;
    TRacePhase Phase = TRacePhase::Ready;
    bool LightsOn = false;
    uint8_t LampsLit = 0;                    // bit k-1 set: start lamp k (1..5) lit; lamp 5 is the green one
    int32_t SectionsPerLap = 0;              // for showing and subtracting lap values
    int32_t RaceLength = 0;                  // laps (Lap race) or seconds (Timed race)
    int64_t Elapsed = 0;                     // ms of race time
    std::array<TSnapshotTrack, 4> Tracks{};  // tracks 1..4 are indices 0..3
};
static_assert(std::is_trivially_copyable_v<TRaceSnapshot>, "the publisher copies snapshots word by word");

// Copies name into out as UTF-8, cut to fit (with its NUL) without splitting
// a character. Converts and allocates: call it on the UI thread only.
void CopySnapshotName(std::array<char, SnapshotNameBytes>& out, const QString& name);

// The snapshot as a race starts: kind, sections, the timed tracks 1..trackCount
// that have a driver and their names. UI thread, before the timing thread runs.
TRaceSnapshot MakeRaceSnapshot(const TTrackStates& tracks, const TRaceState& state, int trackCount,
                               int32_t sectionsPerLap);

// Refreshes the numbers (elapsed time, laps, lap times, false starts) from the
// live records; names, phase and lamps are left as they are. Allocates and
// formats nothing, so the timing thread may call it in its poll loop.
void UpdateRaceSnapshot(TRaceSnapshot& snapshot, const TTrackStates& tracks, const TRaceState& state);

// Hands snapshots from one writer (the timing thread) to any number of
// readers (the spectator window, the web server) through a sequence lock:
// the writer makes the sequence odd, stores the words, makes it even again;
// a reader copies the words and keeps the copy only if the sequence was even
// and unchanged around it. The writer never waits for anyone; a reader that
// keeps meeting a write in progress gives up and shows its previous copy.
// Every shared word is a std::atomic, so there is no data race for the
// compiler to exploit or ThreadSanitizer to flag.
class TSnapshotPublisher {
public:
    // Tries a reader makes before it gives up on one Read().
    static constexpr int ReadAttempts = 16;

    // Holds the default snapshot until the first Publish.
    TSnapshotPublisher() noexcept;
    TSnapshotPublisher(const TSnapshotPublisher&) = delete;
    TSnapshotPublisher& operator=(const TSnapshotPublisher&) = delete;

    // The single writer. Never blocks, locks or allocates.
    void Publish(const TRaceSnapshot& snapshot) noexcept;
    // Any thread. False when no consistent copy was had in ReadAttempts
    // tries; out is then unchanged. Before the first Publish it reads the
    // default snapshot.
    bool Read(TRaceSnapshot& out) const noexcept;

private:
    static constexpr size_t WordCount = (sizeof(TRaceSnapshot) + sizeof(uint64_t) - 1) / sizeof(uint64_t);
    using TWords = std::array<uint64_t, WordCount>;
    static_assert(std::atomic<uint64_t>::is_always_lock_free && std::atomic<uint32_t>::is_always_lock_free,
                  "a publish must never fall back to a hidden lock");

    std::atomic<uint32_t> m_sequence{0};  // odd while a publish is under way
    std::array<std::atomic<uint64_t>, WordCount> m_words;
};
