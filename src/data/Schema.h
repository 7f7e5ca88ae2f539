#pragma once

#include <QString>
#include <QStringList>

class QSqlDatabase;

// The ten tables of the race database, with their indexes. SQLite index names
// are global to a database file while some index names repeat across tables
// (IdxDRVnr, CSnr_RCnr_DRVnr), so each SQL index is named after its table and
// its own name: "KWL_DIC.db.IdxDRVnr".
namespace Schema {

inline constexpr const char* Drivers = "KWL_Drivers.DB";
inline constexpr const char* Championship = "KWL_Championship.db";
inline constexpr const char* Race = "KWL_Race.DB";
inline constexpr const char* Heat = "KWL_Heat.DB";
inline constexpr const char* HeatDetail = "KWL_HeatDetail.DB";
inline constexpr const char* HeatDetailLaps = "KWL_HeatDetailLaps.DB";
inline constexpr const char* DIC = "KWL_DIC.db";
inline constexpr const char* Result = "KWL_Result.db";
inline constexpr const char* ResultDetail = "KWL_ResultDetail.db";
inline constexpr const char* SingelRace = "KWL_SingelRace.DB";
// Kobalap's own: when each heat's result was stored, for the dates of the
// club records. The ten tables above keep their layout.
inline constexpr const char* HeatStored = "Kobalap_HeatStored";

inline constexpr int MaxNameLength = 25;
// Marks a SQLite file as ours ("KOBA"), so that a file that merely happens to
// be called KWLManager.sqlite is never written to.
inline constexpr int ApplicationId = 0x4B4F4241;
// 1: names compared with SQLite's ASCII-only NOCASE; 2: with NameCollation;
// 3: the heats' stored dates and the lap-time index the records read through
// (both made by Create, which adds what is missing).
// A file of an earlier version is upgraded (SchemaUpgrade), a later one refused.
inline constexpr int Version = 3;

QStringList TableNames();
// The SQL name of a table's index: table name, ".", index name.
QString IndexName(const char* table, const char* index);
// CREATE statements for every table and index, in order.
QStringList CreateStatements();
// Creates whatever is missing and stamps the file as ours; false with the
// store's message on failure. Runs inside the caller's transaction.
bool Create(QSqlDatabase& db, QString& error);

}  // namespace Schema
