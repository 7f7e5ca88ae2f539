#include "spectator/RaceSnapshot.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

void CopySnapshotName(std::array<char, SnapshotNameBytes>& out, const QString& name)
{
    const QByteArray utf8 = name.toUtf8();
    qsizetype length = std::min<qsizetype>(utf8.size(), SnapshotNameBytes - 1);
    // A UTF-8 continuation byte (10xxxxxx) never starts a character: back off
    // to the first byte of the character that would be cut, so the screen and
    // the browser never get half a character.
    if (length < utf8.size()) {
        while (length > 0 && (uchar(utf8[length]) & 0xC0) == 0x80)
            --length;
    }
    out.fill('\0');
    std::memcpy(out.data(), utf8.constData(), size_t(length));
}

TRaceSnapshot MakeRaceSnapshot(const TTrackStates& tracks, const TRaceState& state, int trackCount,
                               int32_t sectionsPerLap)
{
    TRaceSnapshot snapshot;
    snapshot.RaceKind = state.RaceKind;
    snapshot.SectionsPerLap = sectionsPerLap;
    snapshot.RaceLength = state.RaceLength;
    // A driver on a track above the timed ones is never counted, so he is not
    // shown either.
    const int timed = std::clamp(trackCount, 0, int(tracks.size()));
    for (int n = 0; n < timed; ++n) {
        const TTrackState& track = tracks[size_t(n)];
        TSnapshotTrack& shown = snapshot.Tracks[size_t(n)];
        shown.Active = track.Active;
        if (track.Active)
            CopySnapshotName(shown.Name, track.DriverName);
    }
    UpdateRaceSnapshot(snapshot, tracks, state);
    return snapshot;
}

void UpdateRaceSnapshot(TRaceSnapshot& snapshot, const TTrackStates& tracks, const TRaceState& state)
{
    snapshot.Elapsed = state.Elapsed;
    snapshot.LightsOn = state.LightsOn;
    for (size_t n = 0; n < tracks.size(); ++n) {
        TSnapshotTrack& shown = snapshot.Tracks[n];
        if (!shown.Active)
            continue;
        const TTrackState& track = tracks[n];
        shown.FalseStart = track.FalseStart;
        shown.Laps = track.Laps;
        shown.LastLap = track.LastLap;
        shown.FastestLap = track.FastestLap;
        shown.TotalTime = track.TotalTime;
        shown.Fuel = track.Fuel;
        shown.PitStops = track.PitStops;
    }
}

namespace {

// The snapshot as the words the publisher stores; memcpy is the defined way
// to view a trivially copyable object's bytes, and the compiler turns these
// fixed-size copies into plain moves.
template <typename TWords>
TWords ToWords(const TRaceSnapshot& snapshot)
{
    TWords words{};
    std::memcpy(words.data(), &snapshot, sizeof(TRaceSnapshot));
    return words;
}

}  // namespace

TSnapshotPublisher::TSnapshotPublisher() noexcept
{
    const TWords words = ToWords<TWords>(TRaceSnapshot{});
    for (size_t i = 0; i < WordCount; ++i)
        m_words[i].store(words[i], std::memory_order_relaxed);
}

void TSnapshotPublisher::Publish(const TRaceSnapshot& snapshot) noexcept
{
    const TWords words = ToWords<TWords>(snapshot);
    // Only this thread writes the sequence, so a relaxed load sees its own
    // last value.
    const uint32_t sequence = m_sequence.load(std::memory_order_relaxed);
    m_sequence.store(sequence + 1, std::memory_order_relaxed);
    // Each word is stored with release: a reader whose acquire load sees a
    // new word then also sees the odd sequence stored before it, and so
    // drops its copy. (Release stores and acquire loads are plain moves on
    // x86; standalone fences would do as well, but ThreadSanitizer cannot
    // follow those.)
    for (size_t i = 0; i < WordCount; ++i)
        m_words[i].store(words[i], std::memory_order_release);
    m_sequence.store(sequence + 2, std::memory_order_release);
}

bool TSnapshotPublisher::Read(TRaceSnapshot& out) const noexcept
{
    TWords words;
    for (int attempt = 0; attempt < ReadAttempts; ++attempt) {
        const uint32_t before = m_sequence.load(std::memory_order_acquire);
        if (before & 1u)
            continue;  // a publish is under way
        for (size_t i = 0; i < WordCount; ++i)
            words[i] = m_words[i].load(std::memory_order_acquire);
        // The acquire loads keep this second look at the sequence after the
        // copy; unchanged and even, it proves that no publish overlapped it.
        if (m_sequence.load(std::memory_order_relaxed) == before) {
            // Trivially copyable, so its bytes may be set like this; the void*
            // tells the compiler that its member initialisers are no concern.
            std::memcpy(static_cast<void*>(&out), words.data(), sizeof(TRaceSnapshot));
            return true;
        }
    }
    return false;
}
