#pragma once

#include <QHash>
#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <cstdint>

// The spoken forms, kept by driver number, keyed by the drivers' names as
// races carry them: a race knows its drivers by name only. Numbers no longer
// in the driver list are left out; a store that cannot be read gives none.
QHash<QString, QString> SpokenFormsByName(const QSqlDatabase& db, const QMap<int32_t, QString>& byNumber);
