#include "results/LapRecords.h"

#include "data/StoreTransaction.h"

#include <QDateTime>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <map>
#include <utility>

namespace {

// The fastest counted lap of one driver's track in one heat. Walking the
// heat rows and taking each one's best lap down the lap-time index keeps
// the read to one step per heat track, however many laps the club has.
struct THeatTrackBest {
    int CSnr = 0;
    int RCnr = 0;
    int HTnr = 0;
    int Tracknr = 0;
    int DRVnr = 0;
    uint32_t TimeMs = 0;
    int64_t StoredUtcMs = 0;
};

const char* const HeatTrackBests =
    R"(SELECT d.CSnr, d.RCnr, d.HTnr, d.Tracknr, d.DRVnr, )"
    R"((SELECT MIN(l."Time") FROM "KWL_HeatDetailLaps.DB" l WHERE l.CSnr = d.CSnr AND l.RCnr = d.RCnr )"
    R"(AND l.HTnr = d.HTnr AND l.Tracknr = d.Tracknr AND l."Time" >= ?), s.StoredUtcMs )"
    R"(FROM "KWL_HeatDetail.DB" d LEFT JOIN "Kobalap_HeatStored" s )"
    R"(ON s.CSnr = d.CSnr AND s.RCnr = d.RCnr AND s.HTnr = d.HTnr)";

// Of equal laps the first driven holds the record: a heat stored before
// dates were kept is older than any dated one; then race and heat order.
bool Beats(const THeatTrackBest& lap, const THeatTrackBest& holder)
{
    if (holder.TimeMs == 0)
        return true;
    if (lap.TimeMs != holder.TimeMs)
        return lap.TimeMs < holder.TimeMs;
    return std::tie(lap.StoredUtcMs, lap.RCnr, lap.HTnr) < std::tie(holder.StoredUtcMs, holder.RCnr, holder.HTnr);
}

void Keep(THeatTrackBest& holder, const THeatTrackBest& lap)
{
    if (Beats(lap, holder))
        holder = lap;
}

using TBestPerTrack = std::array<THeatTrackBest, 4>;

struct TNames {
    QHash<int, QString> Drivers;
    QList<int> DriverOrder;  // DRVnr in name order
    QHash<int, QString> Championships;
    QList<int> ChampionshipOrder;  // CSnr in name order
    QHash<int, QString> Races;
};

bool ReadNames(QSqlDatabase db, TNames& names, QString& error)
{
    QSqlQuery query;
    if (!RunRead(db, query,
                 QStringLiteral(R"(SELECT DRVnr, "Driver Name" FROM "KWL_Drivers.DB" ORDER BY "Driver Name")"), {},
                 error))
        return false;
    while (query.next()) {
        names.Drivers.insert(query.value(0).toInt(), query.value(1).toString());
        names.DriverOrder << query.value(0).toInt();
    }
    if (!RunRead(db, query, QStringLiteral(R"(SELECT CSnr, CSnaam FROM "KWL_Championship.db" ORDER BY CSnaam, CSnr)"),
                 {}, error))
        return false;
    while (query.next()) {
        names.Championships.insert(query.value(0).toInt(), query.value(1).toString());
        names.ChampionshipOrder << query.value(0).toInt();
    }
    if (!RunRead(db, query, QStringLiteral(R"(SELECT RCnr, RCnaam FROM "KWL_Race.DB")"), {}, error))
        return false;
    while (query.next())
        names.Races.insert(query.value(0).toInt(), query.value(1).toString());
    return true;
}

// The record as shown: names, and the lap's number (the first of equal
// laps in its heat).
class TRecordNamer {
public:
    TRecordNamer(QSqlDatabase db, const TNames& names) : m_db(db), m_names(names) {}

    bool Name(const THeatTrackBest& best, TLapRecord& record, QString& error)
    {
        record = {};
        if (best.TimeMs == 0)
            return true;
        record.TimeMs = best.TimeMs;
        record.Tracknr = best.Tracknr;
        record.DRVnr = best.DRVnr;
        record.Driver = m_names.Drivers.value(best.DRVnr);
        record.CSnr = best.CSnr;
        record.Championship = m_names.Championships.value(best.CSnr);
        record.RCnr = best.RCnr;
        record.Race = m_names.Races.value(best.RCnr);
        record.HTnr = best.HTnr;
        record.StoredUtcMs = best.StoredUtcMs;
        // Prepared once: a club with many drivers names thousands of bests.
        if (!m_prepared) {
            m_lapNumber = QSqlQuery(m_db);
            m_lapNumber.setForwardOnly(true);
            if (!m_lapNumber.prepare(
                    QStringLiteral(R"(SELECT MIN(RNDnr) FROM "KWL_HeatDetailLaps.DB" WHERE CSnr = ? AND RCnr = ? )"
                                   R"(AND HTnr = ? AND Tracknr = ? AND "Time" = ?)"))) {
                error = m_lapNumber.lastError().text();
                return false;
            }
            m_prepared = true;
        }
        for (const int value : {best.CSnr, best.RCnr, best.HTnr, best.Tracknr})
            m_lapNumber.addBindValue(value);
        m_lapNumber.addBindValue(qint64(best.TimeMs));
        if (!m_lapNumber.exec()) {
            error = m_lapNumber.lastError().text();
            return false;
        }
        record.RNDnr = m_lapNumber.next() ? m_lapNumber.value(0).toInt() : 0;
        m_lapNumber.finish();
        return true;
    }

    bool NameAll(const TBestPerTrack& bests, TTrackRecords& records, QString& error)
    {
        for (size_t i = 0; i < bests.size(); ++i)
            if (!Name(bests[i], records[i], error))
                return false;
        return true;
    }

private:
    QSqlDatabase m_db;
    const TNames& m_names;
    QSqlQuery m_lapNumber;
    bool m_prepared = false;
};

}  // namespace

std::optional<TRecordBook> ReadRecordBook(QSqlDatabase db, uint32_t minimumMs, QString& error)
{
    TRecordBook book;
    book.MinimumMs = minimumMs;
    // A lap of time 0 has no time at all, whatever the minimum.
    const qint64 floor = std::max<qint64>(minimumMs, 1);

    TBestPerTrack overall;
    std::map<int, TBestPerTrack> perChampionship;
    std::map<std::pair<int, int>, THeatTrackBest> perDriverTrack;
    QSqlQuery query;
    if (!RunRead(db, query, QLatin1String(HeatTrackBests), {floor}, error))
        return std::nullopt;
    while (query.next()) {
        if (query.isNull(5))
            continue;  // no counted lap on this track of the heat
        THeatTrackBest best{query.value(0).toInt(),     query.value(1).toInt(), query.value(2).toInt(),
                            query.value(3).toInt(),     query.value(4).toInt(), uint32_t(query.value(5).toLongLong()),
                            query.value(6).toLongLong()};
        if (best.Tracknr < 1 || best.Tracknr > 4)
            continue;
        const size_t i = size_t(best.Tracknr - 1);
        Keep(overall[i], best);
        Keep(perChampionship[best.CSnr][i], best);
        Keep(perDriverTrack[{best.DRVnr, best.Tracknr}], best);
    }
    query.finish();

    TNames names;
    if (!ReadNames(db, names, error))
        return std::nullopt;
    TRecordNamer namer(db, names);
    if (!namer.NameAll(overall, book.TrackRecords, error))
        return std::nullopt;
    for (const int csnr : names.ChampionshipOrder) {
        const auto found = perChampionship.find(csnr);
        if (found == perChampionship.end())
            continue;
        TChampionshipRecords records{csnr, names.Championships.value(csnr), {}};
        if (!namer.NameAll(found->second, records.Tracks, error))
            return std::nullopt;
        book.Championships << records;
    }
    for (const int drvnr : names.DriverOrder) {
        for (int track = 1; track <= 4; ++track) {
            const auto found = perDriverTrack.find({drvnr, track});
            if (found == perDriverTrack.end())
                continue;
            TLapRecord record;
            if (!namer.Name(found->second, record, error))
                return std::nullopt;
            book.PersonalBests << record;
        }
    }
    return book;
}

QString RecordDateText(int64_t storedUtcMs)
{
    if (storedUtcMs <= 0)
        return QStringLiteral("-");
    return QDateTime::fromMSecsSinceEpoch(storedUtcMs).toLocalTime().date().toString(Qt::ISODate);
}
