#include "results/LiveRecords.h"

#include "data/StoreTransaction.h"
#include "results/LapRecords.h"
#include "timing/RaceRules.h"

#include <QSqlQuery>
#include <algorithm>

namespace {

// The best counted lap over the heat rows the condition picks, the heat
// about to run left out; each row's best is one step down the lap-time index.
QString BestOverHeatRows(const QString& condition)
{
    return QStringLiteral(R"(SELECT MIN((SELECT MIN(l."Time") FROM "KWL_HeatDetailLaps.DB" l WHERE l.CSnr = d.CSnr )"
                          R"(AND l.RCnr = d.RCnr AND l.HTnr = d.HTnr AND l.Tracknr = d.Tracknr AND l."Time" >= ?)) )"
                          R"(FROM "KWL_HeatDetail.DB" d WHERE %1 AND NOT (d.CSnr = ? AND d.RCnr = ? AND d.HTnr = ?))")
        .arg(condition);
}

}  // namespace

QString RecordMarkText(TRecordMark mark)
{
    switch (mark) {
    case TRecordMark::TrackRecord: return QStringLiteral("Track record");
    case TRecordMark::PersonalBest: return QStringLiteral("Personal best");
    case TRecordMark::None: break;
    }
    return {};
}

std::optional<TLapsToBeat> ReadLapsToBeat(QSqlDatabase db, int csnr, int rcnr, int htnr,
                                          const std::array<int32_t, 4>& drivers, uint32_t minimumMs, QString& error)
{
    TLapsToBeat toBeat;
    toBeat.Watched = true;
    toBeat.MinimumMs = minimumMs;
    const qint64 floor = std::max<qint64>(minimumMs, 1);
    const QString trackSql = BestOverHeatRows(QStringLiteral("d.Tracknr = ?"));
    const QString driverSql = BestOverHeatRows(QStringLiteral("d.Tracknr = ? AND d.DRVnr = ?"));
    for (int track = 1; track <= 4; ++track) {
        const size_t i = size_t(track - 1);
        if (drivers[i] == 0)
            continue;
        QSqlQuery query;
        if (!RunRead(db, query, trackSql, {floor, track, csnr, rcnr, htnr}, error))
            return std::nullopt;
        toBeat.TrackRecord[i] = query.next() ? uint32_t(query.value(0).toLongLong()) : 0;
        if (!RunRead(db, query, driverSql, {floor, track, drivers[i], csnr, rcnr, htnr}, error))
            return std::nullopt;
        toBeat.PersonalBest[i] = query.next() ? uint32_t(query.value(0).toLongLong()) : 0;
    }
    return toBeat;
}

void TRecordWatch::Start(const TLapsToBeat& toBeat)
{
    m_toBeat = toBeat;
    m_seenLaps = {};
}

std::array<TRecordWatch::TFall, 4> TRecordWatch::Look(const TTrackStates& tracks, int32_t sectionsPerLap)
{
    std::array<TFall, 4> falls{};
    if (!m_toBeat.Watched)
        return falls;
    for (size_t i = 0; i < falls.size(); ++i) {
        const TTrackState& track = tracks[i];
        const int32_t driven = track.Active ? std::min(LapsDriven(track, sectionsPerLap), MaxLapEntries) : 0;
        for (int32_t lap = m_seenLaps[i] + 1; lap <= driven; ++lap) {
            const uint32_t ms = track.LapTimes[size_t(lap)];
            // A car that jumped the start was moving at the green: its first
            // lap is short by the head start and beats nothing.
            if (!CountsForRecords(ms, m_toBeat.MinimumMs) || (lap == 1 && track.FalseStart))
                continue;
            uint32_t& record = m_toBeat.TrackRecord[i];
            uint32_t& best = m_toBeat.PersonalBest[i];
            TRecordMark mark = TRecordMark::None;
            if (record > 0 && ms < record)
                mark = TRecordMark::TrackRecord;
            else if (best > 0 && ms < best)
                mark = TRecordMark::PersonalBest;
            // What fell is the mark to beat from now on; a first lap on a
            // track without one sets it quietly.
            if (record == 0 || ms < record)
                record = ms;
            if (best == 0 || ms < best)
                best = ms;
            if (mark != TRecordMark::None && (falls[i].Mark == TRecordMark::None || mark >= falls[i].Mark))
                falls[i] = {mark, ms};
        }
        m_seenLaps[i] = std::max(m_seenLaps[i], driven);
    }
    return falls;
}
