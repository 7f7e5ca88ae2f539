#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Brings a race database written by an earlier version of Kobalap up to
// Schema::Version, keeping every row and key.
namespace SchemaUpgrade {

// The drivers of a version-1 file whose names were two under the old rule
// and are one under NameCollation ("émile" and "Émile"): each group as
// '"émile", "Émile"'. The unique name index cannot be rebuilt over them, so
// such a file is refused before anything is written to it. Runs read-only,
// on a connection with the collation installed; false with the store's
// message when the read fails.
bool CollidingDriverNames(QSqlDatabase& db, QStringList& groups, QString& error);

// Upgrades the file inside the caller's transaction: nothing when it is new
// or current, otherwise every step from its version on. False with the
// store's message, and the caller rolls back.
bool Upgrade(QSqlDatabase& db, QString& error);

}  // namespace SchemaUpgrade
