#pragma once

#include "heats/HeatResult.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// A heat result the race database would not take (locked by another
// program, a full disk, a folder become read-only), kept in a file of its
// own until it can be stored. It is written the moment the database refuses
// it, so neither closing the program nor a crash loses the heat; the next
// start stores it.
struct TKeptHeat {
    QString Database;  // the database file it belongs to, as an absolute path
    int32_t CSnr = 0;
    int32_t RCnr = 0;
    int32_t HTnr = 0;
    QString Title;  // "Heat 3 of Winter Cup - Round 2", for the messages
    THeatResult Result;
    QString File;  // where it is kept; set by Keep and Find
};

// What the start made of the kept results of its database.
struct TKeptHeatsOutcome {
    QStringList Stored;    // titles
    QStringList NotYet;    // titles of those that stay kept
    QStringList Orphaned;  // files of heats that no longer exist, set aside
    QString Error;         // why the last one that stays kept was not stored
};

namespace KeptHeatResults {

// Where results are kept, the first that can be written: beside the
// database, then the working directory, then the user's own data folder,
// so that a data folder become read-only does not take the result with it.
QStringList Folders(const QString& databasePath, const QString& workingDirectory);

QByteArray Encode(const TKeptHeat& heat);
// nullopt for anything that is not a whole kept result.
std::optional<TKeptHeat> Decode(const QByteArray& bytes);

// Writes the result, replacing an older one of the same heat, and makes it
// durable; false with the reason in error when no folder takes it.
bool Keep(TKeptHeat& heat, const QStringList& folders, QString& error);
// The kept results of the database, in every folder.
std::vector<TKeptHeat> Find(const QStringList& folders, const QString& database);
// A result of the heat is in the database now: an older kept one must never
// overwrite it at a later start.
void Forget(const QStringList& folders, const QString& database, int32_t csnr, int32_t rcnr, int32_t htnr);

// Stores every kept result of the database, each in one action, and removes
// its file once it is committed.
TKeptHeatsOutcome StoreAll(QSqlDatabase db, const QStringList& folders, const QString& database);

}  // namespace KeptHeatResults
