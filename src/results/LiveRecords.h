#pragma once

#include "timing/RaceState.h"

#include <QSqlDatabase>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// Records falling during a championship heat. What a lap has to beat is read
// from the store before the start; each display refresh then compares the
// laps driven since the last one on the UI thread, so the timing thread's
// poll loop does no more than before.

enum class TRecordMark : uint8_t { None, PersonalBest, TrackRecord };

// "Track record", "Personal best", or empty.
QString RecordMarkText(TRecordMark mark);

// Per track (index 0..3): the stored track record and the driver's personal
// best on that track, 0 where there is none yet. A lap beats a record only
// when there is one: the first lap ever on a track is no news.
struct TLapsToBeat {
    bool Watched = false;  // a championship heat: records are looked for
    uint32_t MinimumMs = 0;
    std::array<uint32_t, 4> TrackRecord{};
    std::array<uint32_t, 4> PersonalBest{};
};

// The heat's own stored laps (a heat run again) are left out: its new
// result replaces them. drivers holds DRVnr per track, 0 for none.
std::optional<TLapsToBeat> ReadLapsToBeat(QSqlDatabase db, int csnr, int rcnr, int htnr,
                                          const std::array<int32_t, 4>& drivers, uint32_t minimumMs, QString& error);

// Follows the laps of a running heat against what they have to beat; a
// record that falls becomes the one to beat for the rest of the heat.
class TRecordWatch {
public:
    void Start(const TLapsToBeat& toBeat);
    // The best mark each track's laps since the last look earned (a track
    // record outranks a personal best), and the lap that earned it.
    struct TFall {
        TRecordMark Mark = TRecordMark::None;
        uint32_t TimeMs = 0;
    };
    std::array<TFall, 4> Look(const TTrackStates& tracks, int32_t sectionsPerLap);

private:
    TLapsToBeat m_toBeat;
    std::array<int32_t, 4> m_seenLaps{};
};
