#include "data/RecordActions.h"

#include "data/StoreTransaction.h"

#include <QSqlQuery>

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
    if (action.Commit())
        return true;
    m_error = action.ErrorText();
    return false;
}

std::optional<int> TRecordActions::Insert(const QString& sql, std::initializer_list<QVariant> values)
{
    TStoreTransaction action(m_db);
    if (!action.Exec(sql, values)) {
        m_error = action.ErrorText();
        return std::nullopt;
    }
    const QVariant key = action.Query().lastInsertId();
    if (!action.Commit()) {
        m_error = action.ErrorText();
        return std::nullopt;
    }
    return key.toInt();
}

std::optional<int> TRecordActions::DriverCount() { return Count(QStringLiteral(R"(SELECT count(*) FROM "KWL_Drivers.DB")"), {}); }

std::optional<int> TRecordActions::ChampionshipCount() { return Count(QStringLiteral(R"(SELECT count(*) FROM "KWL_Championship.db")"), {}); }

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
    return Insert(QStringLiteral(R"(INSERT INTO "KWL_Drivers.DB" ("Driver Name") VALUES (?))"), {name});
}

bool TRecordActions::AddDrivers(const QStringList& names)
{
    TStoreTransaction action(m_db);
    for (const QString& name : names)
        action.Exec(QStringLiteral(R"(INSERT INTO "KWL_Drivers.DB" ("Driver Name") VALUES (?))"), {name});
    if (action.Commit())
        return true;
    m_error = action.ErrorText();
    return false;
}

std::optional<int> TRecordActions::AddChampionship(const QString& name, int lapsMinutes, int racesThatCount, bool timed)
{
    return Insert(QStringLiteral(R"(INSERT INTO "KWL_Championship.db" (CSnaam, CSLapsMinutes, CSRacesThatCount, CSTimed) VALUES (?, ?, ?, ?))"),
                  {name, lapsMinutes, racesThatCount, timed ? 1 : 0});
}

std::optional<int> TRecordActions::AddRace(int csnr, const QString& name)
{
    return Insert(QStringLiteral(R"(INSERT INTO "KWL_Race.DB" (CSnr, RCnaam) VALUES (?, ?))"), {csnr, name});
}
