#pragma once

#include <QString>

// How a new race database comes into being, so that a start killed at any
// moment leaves either no file or a whole one: the tables, the application
// id and the version are written into a file under a passing name in one
// transaction, which is then synced and renamed over the real name. A start
// that was killed leaves at worst that passing file, which the next start
// removes.
namespace StoreCreation {

// The passing name a new database is made under, beside the real one: the
// real name, ".new" and this process's id, so that two starts at the same
// moment never rename each other's half-made file into place.
QString CreationPath(const QString& path);
// Removes what killed creations may have left beside path.
void RemoveStrayCreation(const QString& path);
// Makes a whole new database at path. Whatever is there (nothing, or an
// empty file of ours that an earlier version left behind) is replaced, its
// journal companions with it. False with the cause.
bool Create(const QString& path, QString& error);

// The SQLite journal files that belong to a database file.
QStringList Companions(const QString& path);
// Whether the file's header says it was left in WAL mode.
bool InWalMode(const QString& path);
// Free bytes on the disk of a folder; -1 when it can not be told.
qint64 FreeSpace(const QString& folder);

}  // namespace StoreCreation
