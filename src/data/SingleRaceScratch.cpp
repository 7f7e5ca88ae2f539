#include "data/SingleRaceScratch.h"

#include "data/Schema.h"
#include "data/StoreTransaction.h"

#include <QSqlQuery>
#include <QVariant>

namespace {
const QString Table = QStringLiteral("\"%1\"").arg(QLatin1String(Schema::SingelRace));
}

bool TSingleRaceScratch::Reset()
{
    TStoreTransaction transaction(m_db);
    transaction.Exec(QStringLiteral("DELETE FROM %1").arg(Table));
    transaction.Exec(QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(Table));
    if (transaction.Commit())
        return true;
    m_error = transaction.ErrorText();
    return false;
}

bool TSingleRaceScratch::SetDriver(int track, const QString& name)
{
    if (track < 1 || track > 4)
        return false;
    // The column is one of four fixed names; the value is bound.
    const QString sql = QStringLiteral("UPDATE %1 SET \"Driver Track %2\" = ?").arg(Table).arg(track);
    TStoreTransaction transaction(m_db);
    transaction.Exec(sql, {name.isEmpty() ? QVariant() : QVariant(name)});
    if (transaction.Commit())
        return true;
    m_error = transaction.ErrorText();
    return false;
}

std::array<QString, 4> TSingleRaceScratch::Drivers()
{
    std::array<QString, 4> names;
    QSqlQuery query(m_db);
    const QString sql =
        QStringLiteral(
            "SELECT \"Driver Track 1\", \"Driver Track 2\", \"Driver Track 3\", \"Driver Track 4\" FROM %1 LIMIT 1")
            .arg(Table);
    if (!RunRead(m_db, query, sql, {}, m_error) || !query.next())
        return names;
    for (int n = 0; n < 4; ++n)
        names[size_t(n)] = query.value(n).toString();
    return names;
}

QStringList TSingleRaceScratch::DriverNames()
{
    QStringList names;
    QSqlQuery query(m_db);
    const QString sql = QStringLiteral("SELECT \"Driver Name\" FROM \"%1\" ORDER BY \"Driver Name\"")
                            .arg(QLatin1String(Schema::Drivers));
    if (!RunRead(m_db, query, sql, {}, m_error))
        return names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}
