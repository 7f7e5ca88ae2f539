#include "data/Schema.h"

#include "data/NameCollation.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace Schema {
namespace {

// Column definitions that make SQLite enforce the field types and sizes: an
// integer is a signed 32-bit whole number, a boolean 0 or 1, a text at most
// 25 characters.
QString Int(const QString& name, bool notNull = true)
{
    const QString q = QLatin1Char('"') + name + QLatin1Char('"');
    return q + QStringLiteral(" INTEGER") + (notNull ? QStringLiteral(" NOT NULL") : QString()) +
           QStringLiteral(" CHECK (%1 IS NULL OR (typeof(%1) = 'integer' AND %1 BETWEEN -2147483648 AND 2147483647))")
               .arg(q);
}

QString Bool(const QString& name)
{
    const QString q = QLatin1Char('"') + name + QLatin1Char('"');
    return q + QStringLiteral(" BOOLEAN NOT NULL CHECK (%1 IN (0, 1))").arg(q);
}

QString Float(const QString& name)
{
    const QString q = QLatin1Char('"') + name + QLatin1Char('"');
    return q + QStringLiteral(" REAL CHECK (%1 IS NULL OR typeof(%1) IN ('real', 'integer'))").arg(q);
}

QString Text(const QString& name, bool notNull, const char* collate = nullptr)
{
    const QString q = QLatin1Char('"') + name + QLatin1Char('"');
    QString def = q + QStringLiteral(" TEXT");
    if (notNull)
        def += QStringLiteral(" NOT NULL");
    if (collate)
        def += QStringLiteral(" COLLATE ") + QLatin1String(collate);
    return def + QStringLiteral(" CHECK (%1 IS NULL OR (typeof(%1) = 'text' AND length(%1) <= %2))")
                     .arg(q)
                     .arg(MaxNameLength);
}

QString Table(const char* name, const QStringList& columns)
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS \"%1\" (\n  %2\n)")
        .arg(QLatin1String(name), columns.join(QStringLiteral(",\n  ")));
}

QString Index(const char* table, const char* index, const QString& fields, bool unique = false)
{
    return QStringLiteral("CREATE %1INDEX IF NOT EXISTS \"%2\" ON \"%3\" (%4)")
        .arg(unique ? QStringLiteral("UNIQUE ") : QString(), IndexName(table, index), QLatin1String(table), fields);
}

}  // namespace

QStringList TableNames()
{
    return {QLatin1String(Drivers),      QLatin1String(Championship),   QLatin1String(Race), QLatin1String(Heat),
            QLatin1String(HeatDetail),   QLatin1String(HeatDetailLaps), QLatin1String(DIC),  QLatin1String(Result),
            QLatin1String(ResultDetail), QLatin1String(SingelRace)};
}

QString IndexName(const char* table, const char* index)
{
    return QLatin1String(table) + QLatin1Char('.') + QLatin1String(index);
}

QStringList CreateStatements()
{
    // Names compare as people read them (NameCollation): "émile" and "Émile"
    // cannot both be drivers, and every list in name order sorts "Émile"
    // beside "Emile". The indexes on name columns take the column's collation.
    const char* names = NameCollation::SqlName;
    return {
        Table(Drivers, {QStringLiteral("\"DRVnr\" INTEGER PRIMARY KEY AUTOINCREMENT"),
                        Text(QStringLiteral("Driver Name"), true, names)}),
        Index(Drivers, "DRVIdxName", QStringLiteral("\"Driver Name\""), true),

        Table(Championship, {QStringLiteral("\"CSnr\" INTEGER PRIMARY KEY AUTOINCREMENT"),
                             Text(QStringLiteral("CSnaam"), true, names), Int(QStringLiteral("CSLapsMinutes")),
                             Int(QStringLiteral("CSRacesThatCount")), Bool(QStringLiteral("CSTimed"))}),
        Index(Championship, "IdxCSnaam", QStringLiteral("\"CSnaam\"")),

        // RCnr is unique over the whole table, which SQLite can only number
        // itself as the row key; (CSnr, RCnr) is then unique as well.
        Table(Race, {Int(QStringLiteral("CSnr")), QStringLiteral("\"RCnr\" INTEGER PRIMARY KEY AUTOINCREMENT"),
                     Text(QStringLiteral("RCnaam"), true, names), QStringLiteral("UNIQUE (\"CSnr\", \"RCnr\")")}),
        Index(Race, "CSnr_RCnaam", QStringLiteral("\"CSnr\", \"RCnaam\"")),

        Table(Heat, {Int(QStringLiteral("CSnr")), Int(QStringLiteral("RCnr")), Int(QStringLiteral("HTnr")),
                     Bool(QStringLiteral("Finished")), QStringLiteral("PRIMARY KEY (\"CSnr\", \"RCnr\", \"HTnr\")")}),

        Table(HeatDetail, {Int(QStringLiteral("CSnr")), Int(QStringLiteral("RCnr")), Int(QStringLiteral("HTnr")),
                           Int(QStringLiteral("Tracknr")) + QStringLiteral(" CHECK (\"Tracknr\" BETWEEN 1 AND 4)"),
                           Int(QStringLiteral("DRVnr")), Int(QStringLiteral("Laps")), Int(QStringLiteral("Time")),
                           Int(QStringLiteral("TopLapTime")),
                           QStringLiteral("PRIMARY KEY (\"CSnr\", \"RCnr\", \"HTnr\", \"Tracknr\")")}),
        Index(HeatDetail, "CSnr_RCnr_DRVnr", QStringLiteral("\"CSnr\", \"RCnr\", \"DRVnr\"")),
        Index(HeatDetail, "IdxDRVnr", QStringLiteral("\"DRVnr\"")),

        Table(HeatDetailLaps,
              {Int(QStringLiteral("CSnr")), Int(QStringLiteral("RCnr")), Int(QStringLiteral("HTnr")),
               Int(QStringLiteral("Tracknr")) + QStringLiteral(" CHECK (\"Tracknr\" BETWEEN 1 AND 4)"),
               Int(QStringLiteral("RNDnr")), Int(QStringLiteral("Time")), Int(QStringLiteral("SpeedTrapTime")),
               QStringLiteral("PRIMARY KEY (\"CSnr\", \"RCnr\", \"HTnr\", \"Tracknr\", \"RNDnr\")")}),
        Index(HeatDetailLaps, "CSnr_RCnr_DRVnr", QStringLiteral("\"CSnr\", \"RCnr\", \"RNDnr\"")),
        Index(HeatDetailLaps, "IdxDRVnr", QStringLiteral("\"RNDnr\"")),
        // The club records: the fastest counted lap of a heat's track is one
        // step down this index, not a walk over all its laps.
        Index(HeatDetailLaps, "Kobalap_TrackLapTime",
              QStringLiteral("\"CSnr\", \"RCnr\", \"HTnr\", \"Tracknr\", \"Time\"")),

        Table(DIC, {Int(QStringLiteral("CSnr")), Int(QStringLiteral("DRVnr")),
                    QStringLiteral("PRIMARY KEY (\"CSnr\", \"DRVnr\")")}),
        Index(DIC, "IdxDRVnr", QStringLiteral("\"DRVnr\"")),

        Table(Result, {Int(QStringLiteral("CSnr")), Int(QStringLiteral("DRVnr")), Float(QStringLiteral("TotalPoints")),
                       QStringLiteral("PRIMARY KEY (\"CSnr\", \"DRVnr\")")}),

        Table(ResultDetail, {Int(QStringLiteral("CSnr")), Int(QStringLiteral("RCnr")), Int(QStringLiteral("DRVnr")),
                             Int(QStringLiteral("Time"), false), Float(QStringLiteral("Points")),
                             QStringLiteral("PRIMARY KEY (\"CSnr\", \"RCnr\", \"DRVnr\")")}),
        Index(ResultDetail, "CSnr_RCnr_Time", QStringLiteral("\"CSnr\", \"RCnr\", \"Time\"")),
        Index(ResultDetail, "CSnr_RCnr_Time_DESC", QStringLiteral("\"CSnr\", \"RCnr\", \"Time\" DESC")),

        Table(HeatStored,
              {Int(QStringLiteral("CSnr")), Int(QStringLiteral("RCnr")), Int(QStringLiteral("HTnr")),
               QStringLiteral("\"StoredUtcMs\" INTEGER NOT NULL CHECK (typeof(\"StoredUtcMs\") = 'integer')"),
               QStringLiteral("PRIMARY KEY (\"CSnr\", \"RCnr\", \"HTnr\")")}),

        Table(SingelRace,
              {Text(QStringLiteral("Driver Track 1"), false), Text(QStringLiteral("Driver Track 2"), false),
               Text(QStringLiteral("Driver Track 3"), false), Text(QStringLiteral("Driver Track 4"), false)}),
    };
}

bool Create(QSqlDatabase& db, QString& error)
{
    QSqlQuery query(db);
    const QStringList statements = CreateStatements();
    for (const QString& sql : statements) {
        if (!query.exec(sql)) {
            error = query.lastError().text();
            return false;
        }
    }
    if (!query.exec(QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId)) ||
        !query.exec(QStringLiteral("PRAGMA user_version = %1").arg(Version))) {
        error = query.lastError().text();
        return false;
    }
    return true;
}

}  // namespace Schema
