#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <array>

// The Single Race page's one-row scratch table: the driver chosen for each
// track. It holds choices, never results; every visit of the page starts it
// afresh.
class TSingleRaceScratch {
public:
    explicit TSingleRaceScratch(QSqlDatabase db) : m_db(db) {}

    // Deletes every row and inserts one empty row, together.
    bool Reset();
    // Stores the driver (or nothing, for an empty name) of track 1..4.
    bool SetDriver(int track, const QString& name);
    // The four names; an empty field gives an empty name.
    std::array<QString, 4> Drivers();
    // Every driver's name in name order, for the drop-down lists.
    QStringList DriverNames();

    const QString& LastError() const { return m_error; }

private:
    QSqlDatabase m_db;
    QString m_error;
};
