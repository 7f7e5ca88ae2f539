#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

class TStoreTransaction;

// A championship row as the championship dialog edits it.
struct TChampionshipRow {
    QString name;
    int lapsMinutes = 0;
    int racesThatCount = 0;
    bool timed = true;
};

// How a driver name fared: written, refused because another driver has it
// already, or not written for another reason (LastError() says which).
enum class TDriverWrite { Written, Duplicate, Failed };

// The reads and writes behind the Drivers and Championship pages: the counts
// for the limits, the links that forbid a delete, and the deletes themselves.
// Each write is one action, committed durably before it returns. A read that
// fails yields nullopt and a write false, with the store's message in
// LastError(); the window shows it and ends the action.
class TRecordActions {
public:
    static constexpr int MaxDrivers = 1000;
    static constexpr int MaxChampionships = 1000;
    static constexpr int MaxRacesPerChampionship = 1000;

    explicit TRecordActions(QSqlDatabase db) : m_db(db) {}

    std::optional<int> DriverCount();
    std::optional<int> ChampionshipCount();
    std::optional<int> RaceCount(int csnr);

    std::optional<bool> DriverInChampionship(int drvnr);
    std::optional<bool> DriverInHeat(int drvnr);
    std::optional<bool> ChampionshipHasRaces(int csnr);
    std::optional<bool> RaceHasHeats(int csnr, int rcnr);

    bool DeleteDriver(int drvnr);
    // Standings, race points and the driver list of the championship, then
    // the championship itself, as one action.
    bool DeleteChampionship(int csnr);
    bool DeleteRace(int csnr, int rcnr);

    // New rows; the store assigns the key, returned on success.
    std::optional<int> AddDriver(const QString& name);
    // Several drivers as one action: all of them or none.
    bool AddDrivers(const QStringList& names);
    std::optional<int> AddChampionship(const QString& name, int lapsMinutes, int racesThatCount, bool timed);
    std::optional<int> AddRace(int csnr, const QString& name);

    // One row as the record dialogs show it. nullopt when the read fails
    // (LastError() holds the store's message) or when the row is not there
    // (LastError() is empty).
    std::optional<QString> DriverName(int drvnr);
    std::optional<TChampionshipRow> Championship(int csnr);
    std::optional<QString> RaceName(int csnr, int rcnr);

    // A new driver (drvnr 0) or a new name for driver drvnr, as one action.
    // Names are compared the way the name index compares them (NameCollation):
    // case does not count but accents do, so "émile" is refused when there is
    // an "Émile", and "Emile" is not.
    TDriverWrite SaveDriver(int drvnr, const QString& name);
    // Changes of a located row, as one action each. A row that has gone in the
    // meantime is a failure, not a silent success.
    bool UpdateChampionship(int csnr, const TChampionshipRow& row);
    bool UpdateRace(int csnr, int rcnr, const QString& name);

    const QString& LastError() const { return m_error; }

private:
    // Commits the action; on failure keeps the store's message in LastError().
    bool Commit(TStoreTransaction& action);
    std::optional<int> Count(const QString& sql, std::initializer_list<QVariant> values);
    std::optional<bool> Exists(const QString& sql, std::initializer_list<QVariant> values);
    bool Delete(const QStringList& statements, std::initializer_list<QVariant> values);
    std::optional<int> Insert(const QString& sql, std::initializer_list<QVariant> values);
    bool UpdateOne(const QString& sql, std::initializer_list<QVariant> values);
    // Runs a read expected to give at most one row; false when it failed or
    // found nothing (the error is then cleared).
    bool ReadRow(QSqlQuery& query, const QString& sql, std::initializer_list<QVariant> values);

    QSqlDatabase m_db;
    QString m_error;
};
