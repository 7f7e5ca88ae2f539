#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

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

    const QString& LastError() const { return m_error; }

private:
    std::optional<int> Count(const QString& sql, std::initializer_list<QVariant> values);
    std::optional<bool> Exists(const QString& sql, std::initializer_list<QVariant> values);
    bool Delete(const QStringList& statements, std::initializer_list<QVariant> values);
    std::optional<int> Insert(const QString& sql, std::initializer_list<QVariant> values);

    QSqlDatabase m_db;
    QString m_error;
};
