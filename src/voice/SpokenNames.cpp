#include "voice/SpokenNames.h"

#include <QSqlQuery>
#include <QVariant>

QList<TNamedDriver> DriversToName(const QSqlDatabase& db)
{
    QList<TNamedDriver> drivers;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(R"(SELECT DRVnr, "Driver Name" FROM "KWL_Drivers.DB" ORDER BY "Driver Name")")))
        return drivers;
    while (query.next())
        drivers.append({query.value(0).toInt(), query.value(1).toString()});
    return drivers;
}

QHash<QString, QString> SpokenFormsByName(const QSqlDatabase& db, const QMap<int32_t, QString>& byNumber)
{
    QHash<QString, QString> byName;
    if (byNumber.isEmpty())
        return byName;
    for (const TNamedDriver& driver : DriversToName(db)) {
        const auto spoken = byNumber.constFind(driver.Number);
        if (spoken != byNumber.cend())
            byName.insert(driver.Name, spoken.value());
    }
    return byName;
}
