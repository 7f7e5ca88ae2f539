#include "data/RecordActions.h"

#include "data/StoreTransaction.h"

#include <QSqlQuery>

namespace {
// Said when a change finds its row gone, e.g. deleted from another window
// while the dialog stood open.
const char* const RowGone = "The record no longer exists.";
const char* const InsertDriver = R"(INSERT INTO "KWL_Drivers.DB" ("Driver Name") VALUES (?))";
}  // namespace

bool TRecordActions::Commit(TStoreTransaction& action)
{
    if (action.Commit())
        return true;
    m_error = action.ErrorText();
    return false;
}

std::optional<int> TRecordActions::Count(const QString& sql, std::initializer_list<QVariant> values)
{
    QSqlQuery query(m_db);
    if (!RunRead(m_db, query, sql, values, m_error) || !query.next())
        return std::nullopt;
    return query.value(0).toInt();
}

std::optional<bool> TRecordActions::Exists(const QString& sql, std::initializer_list<QVariant> values)
{
    QSqlQuery query(m_db);
    if (!RunRead(m_db, query, sql, values, m_error))
        return std::nullopt;
    return query.next();
}

bool TRecordActions::Delete(const QStringList& statements, std::initializer_list<QVariant> values)
{
    TStoreTransaction action(m_db);
    for (const QString& sql : statements)
        action.Exec(sql, values);
    return Commit(action);
}

std::optional<int> TRecordActions::Insert(const QString& sql, std::initializer_list<QVariant> values)
{
    TStoreTransaction action(m_db);
    if (!action.Exec(sql, values)) {
        m_error = action.ErrorText();
        return std::nullopt;
    }
    const QVariant key = action.Query().lastInsertId();
    if (!Commit(action))
        return std::nullopt;
    return key.toInt();
}

std::optional<int> TRecordActions::DriverCount()
{
    return Count(QStringLiteral(R"(SELECT count(*) FROM "KWL_Drivers.DB")"), {});
}

std::optional<int> TRecordActions::ChampionshipCount()
{
    return Count(QStringLiteral(R"(SELECT count(*) FROM "KWL_Championship.db")"), {});
}

std::optional<int> TRecordActions::RaceCount(int csnr)
{
    return Count(QStringLiteral(R"(SELECT count(*) FROM "KWL_Race.DB" WHERE CSnr = ?)"), {csnr});
}

std::optional<bool> TRecordActions::DriverInChampionship(int drvnr)
{
    return Exists(QStringLiteral(R"(SELECT 1 FROM "KWL_DIC.db" WHERE DRVnr = ? LIMIT 1)"), {drvnr});
}

std::optional<bool> TRecordActions::DriverInHeat(int drvnr)
{
    return Exists(QStringLiteral(R"(SELECT 1 FROM "KWL_HeatDetail.DB" WHERE DRVnr = ? LIMIT 1)"), {drvnr});
}

std::optional<bool> TRecordActions::ChampionshipHasRaces(int csnr)
{
    return Exists(QStringLiteral(R"(SELECT 1 FROM "KWL_Race.DB" WHERE CSnr = ? LIMIT 1)"), {csnr});
}

std::optional<bool> TRecordActions::RaceHasHeats(int csnr, int rcnr)
{
    return Exists(QStringLiteral(R"(SELECT 1 FROM "KWL_Heat.DB" WHERE CSnr = ? AND RCnr = ? LIMIT 1)"), {csnr, rcnr});
}

bool TRecordActions::DeleteDriver(int drvnr)
{
    return Delete({QStringLiteral(R"(DELETE FROM "KWL_Drivers.DB" WHERE DRVnr = ?)")}, {drvnr});
}

bool TRecordActions::DeleteChampionship(int csnr)
{
    return Delete({QStringLiteral(R"(DELETE FROM "KWL_Result.db" WHERE CSnr = ?)"),
                   QStringLiteral(R"(DELETE FROM "KWL_ResultDetail.db" WHERE CSnr = ?)"),
                   QStringLiteral(R"(DELETE FROM "KWL_DIC.db" WHERE CSnr = ?)"),
                   QStringLiteral(R"(DELETE FROM "KWL_Championship.db" WHERE CSnr = ?)")},
                  {csnr});
}

bool TRecordActions::DeleteRace(int csnr, int rcnr)
{
    return Delete({QStringLiteral(R"(DELETE FROM "KWL_Race.DB" WHERE CSnr = ? AND RCnr = ?)")}, {csnr, rcnr});
}

std::optional<int> TRecordActions::AddDriver(const QString& name)
{
    return Insert(QLatin1String(InsertDriver), {name});
}

bool TRecordActions::AddDrivers(const QStringList& names)
{
    TStoreTransaction action(m_db);
    const QString sql = QLatin1String(InsertDriver);
    for (const QString& name : names)
        action.Exec(sql, {name});
    return Commit(action);
}

std::optional<int> TRecordActions::AddChampionship(const QString& name, int lapsMinutes, int racesThatCount, bool timed)
{
    return Insert(
        QStringLiteral(
            R"(INSERT INTO "KWL_Championship.db" (CSnaam, CSLapsMinutes, CSRacesThatCount, CSTimed) VALUES (?, ?, ?, ?))"),
        {name, lapsMinutes, racesThatCount, timed ? 1 : 0});
}

std::optional<int> TRecordActions::AddRace(int csnr, const QString& name)
{
    return Insert(QStringLiteral(R"(INSERT INTO "KWL_Race.DB" (CSnr, RCnaam) VALUES (?, ?))"), {csnr, name});
}

bool TRecordActions::ReadRow(QSqlQuery& query, const QString& sql, std::initializer_list<QVariant> values)
{
    if (!RunRead(m_db, query, sql, values, m_error))
        return false;
    if (!query.next()) {
        m_error.clear();
        return false;
    }
    return true;
}

std::optional<QString> TRecordActions::DriverName(int drvnr)
{
    QSqlQuery query(m_db);
    if (!ReadRow(query, QStringLiteral(R"(SELECT "Driver Name" FROM "KWL_Drivers.DB" WHERE DRVnr = ?)"), {drvnr}))
        return std::nullopt;
    return query.value(0).toString();
}

std::optional<TChampionshipRow> TRecordActions::Championship(int csnr)
{
    QSqlQuery query(m_db);
    if (!ReadRow(
            query,
            QStringLiteral(
                R"(SELECT CSnaam, CSLapsMinutes, CSRacesThatCount, CSTimed FROM "KWL_Championship.db" WHERE CSnr = ?)"),
            {csnr}))
        return std::nullopt;
    return TChampionshipRow{query.value(0).toString(), query.value(1).toInt(), query.value(2).toInt(),
                            query.value(3).toInt() != 0};
}

std::optional<QString> TRecordActions::RaceName(int csnr, int rcnr)
{
    QSqlQuery query(m_db);
    if (!ReadRow(query, QStringLiteral(R"(SELECT RCnaam FROM "KWL_Race.DB" WHERE CSnr = ? AND RCnr = ?)"),
                 {csnr, rcnr}))
        return std::nullopt;
    return query.value(0).toString();
}

TDriverWrite TRecordActions::SaveDriver(int drvnr, const QString& name)
{
    // The look-up and the write are one transaction, so the answer cannot go
    // stale in between. The comparison takes the column's collation, the one
    // its unique index uses.
    TStoreTransaction action(m_db);
    if (action.Exec(QStringLiteral(R"(SELECT 1 FROM "KWL_Drivers.DB" WHERE "Driver Name" = ? AND DRVnr <> ? LIMIT 1)"),
                    {name, drvnr}) &&
        action.Query().next())
        return TDriverWrite::Duplicate;  // rolled back, nothing written
    if (drvnr == 0)
        action.Exec(QLatin1String(InsertDriver), {name});
    else if (action.Exec(QStringLiteral(R"(UPDATE "KWL_Drivers.DB" SET "Driver Name" = ? WHERE DRVnr = ?)"),
                         {name, drvnr}) &&
             action.Query().numRowsAffected() != 1) {
        m_error = QLatin1String(RowGone);
        return TDriverWrite::Failed;
    }
    return Commit(action) ? TDriverWrite::Written : TDriverWrite::Failed;
}

bool TRecordActions::UpdateOne(const QString& sql, std::initializer_list<QVariant> values)
{
    TStoreTransaction action(m_db);
    if (action.Exec(sql, values) && action.Query().numRowsAffected() != 1) {
        m_error = QLatin1String(RowGone);
        return false;
    }
    return Commit(action);
}

bool TRecordActions::UpdateChampionship(int csnr, const TChampionshipRow& row)
{
    return UpdateOne(
        QStringLiteral(
            R"(UPDATE "KWL_Championship.db" SET CSnaam = ?, CSLapsMinutes = ?, CSRacesThatCount = ?, CSTimed = ? WHERE CSnr = ?)"),
        {row.name, row.lapsMinutes, row.racesThatCount, row.timed ? 1 : 0, csnr});
}

bool TRecordActions::UpdateRace(int csnr, int rcnr, const QString& name)
{
    return UpdateOne(QStringLiteral(R"(UPDATE "KWL_Race.DB" SET RCnaam = ? WHERE CSnr = ? AND RCnr = ?)"),
                     {name, csnr, rcnr});
}
