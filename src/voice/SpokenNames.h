#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <cstdint>

// The spoken forms, kept by driver number, keyed by the drivers' names as
// races carry them: a race knows its drivers by name only. Numbers no longer
// in the driver list are left out; a store that cannot be read gives none.
QHash<QString, QString> SpokenFormsByName(const QSqlDatabase& db, const QMap<int32_t, QString>& byNumber);

// A driver as the settings list them to be given a spoken form.
struct TNamedDriver {
    int32_t Number = 0;
    QString Name;
};
// Every driver, in name order; none when the store cannot be read.
QList<TNamedDriver> DriversToName(const QSqlDatabase& db);
