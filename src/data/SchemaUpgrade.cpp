#include "data/SchemaUpgrade.h"

#include "data/NameCollation.h"
#include "data/Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <iterator>

namespace SchemaUpgrade {
namespace {

// The first version whose name columns use NameCollation.
constexpr int NamesCollatedSince = 2;

// The tables with a name column and the index on it: version 1 declared them
// COLLATE NOCASE, which SQLite only changes by making the table anew.
struct TNameTable {
    const char* table;
    const char* index;
};
constexpr TNameTable NameTables[] = {
    {Schema::Drivers, "DRVIdxName"}, {Schema::Championship, "IdxCSnaam"}, {Schema::Race, "CSnr_RCnaam"}};

QString Quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

// The old table's name while its rows are copied over.
QString Retired(const char* table) { return QLatin1String(table) + QStringLiteral(" (version 1)"); }

bool Run(QSqlQuery& query, const QString& sql, const QVariantList& values, QString& error)
{
    bool ok = query.prepare(sql);
    for (int n = 0; ok && n < values.size(); ++n)
        query.bindValue(n, values[n]);
    ok = ok && query.exec();
    if (!ok)
        error = query.lastError().text();
    return ok;
}

bool StoredVersion(QSqlQuery& query, int& version, QString& error)
{
    if (!Run(query, QStringLiteral("PRAGMA user_version"), {}, error) || !query.next())
        return false;
    version = query.value(0).toInt();
    query.finish();
    return true;
}

// Version 1 to 2: the three name tables made anew with NameCollation. Each
// old table is renamed aside without its name index (so the new index can
// take the name), the current schema creates the new one, the rows go over
// with their keys, and the AUTOINCREMENT counter is put back: copying only
// raises it to the highest key still there, and a deleted driver's number
// must not be handed out again.
bool CollateNames(QSqlDatabase& db, QString& error)
{
    QSqlQuery query(db);
    QVariantList counters;
    for (const TNameTable& t : NameTables) {
        if (!Run(query, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?"), {QLatin1String(t.table)},
                 error))
            return false;
        counters << (query.next() ? query.value(0) : QVariant());
        if (!Run(query, QStringLiteral("DROP INDEX IF EXISTS %1").arg(Quoted(Schema::IndexName(t.table, t.index))), {},
                 error) ||
            !Run(query,
                 QStringLiteral("ALTER TABLE %1 RENAME TO %2")
                     .arg(Quoted(QLatin1String(t.table)), Quoted(Retired(t.table))),
                 {}, error))
            return false;
    }
    if (!Schema::Create(db, error))
        return false;
    for (int n = 0; n < int(std::size(NameTables)); ++n) {
        const QString table = QLatin1String(NameTables[n].table);
        const QString retired = Quoted(Retired(NameTables[n].table));
        // The unique name index refuses a row here if two names have become
        // one; the caller has looked for that first, and the rollback keeps
        // the file as it was should one slip through.
        if (!Run(query, QStringLiteral("INSERT INTO %1 SELECT * FROM %2").arg(Quoted(table), retired), {}, error) ||
            !Run(query, QStringLiteral("DROP TABLE %1").arg(retired), {}, error) ||
            !Run(query, QStringLiteral("DELETE FROM sqlite_sequence WHERE name = ?"), {table}, error))
            return false;
        if (!counters[n].isNull() &&
            !Run(query, QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"), {table, counters[n]},
                 error))
            return false;
    }
    return true;
}

}  // namespace

bool CollidingDriverNames(QSqlDatabase& db, QStringList& groups, QString& error)
{
    groups.clear();
    QSqlQuery query(db);
    int version = 0;
    if (!StoredVersion(query, version, error))
        return false;
    if (version == 0 || version >= NamesCollatedSince)
        return true;  // new, or its names compare this way already
    const QString sql = QStringLiteral(
                            "SELECT group_concat('\"' || \"Driver Name\" || '\"', ', ') FROM (SELECT \"Driver Name\" "
                            "FROM %1 ORDER BY DRVnr) GROUP BY \"Driver Name\" COLLATE %2 HAVING count(*) > 1")
                            .arg(Quoted(QLatin1String(Schema::Drivers)), QLatin1String(NameCollation::SqlName));
    if (!Run(query, sql, {}, error))
        return false;
    while (query.next())
        groups << query.value(0).toString();
    return true;
}

bool Upgrade(QSqlDatabase& db, QString& error)
{
    QSqlQuery query(db);
    int version = 0;
    if (!StoredVersion(query, version, error))
        return false;
    if (version == 0)
        return true;  // a new file: Schema::Create makes it current
    if (version < NamesCollatedSince && !CollateNames(db, error))
        return false;
    return true;
}

}  // namespace SchemaUpgrade
