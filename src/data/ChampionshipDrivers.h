#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <optional>

class TStoreTransaction;

// The drivers of one championship: its links in KWL_DIC.db, from which heat
// generation draws. Adding or removing a selection of drivers is one user
// action, committed durably before it returns: all of its links or none.
// A failed write returns false with the store's message in LastError().
class TChampionshipDrivers {
public:
    TChampionshipDrivers(QSqlDatabase db, int csnr) : m_db(db), m_csnr(csnr) {}

    // CSnaam of the championship. nullopt when the read fails (LastError()
    // holds the store's message) or when it is not there (LastError() empty).
    std::optional<QString> ChampionshipName();

    // Links every driver of the list who is not in the championship yet. A
    // driver already in it, named twice, or no longer in the driver table is
    // skipped, so the championship never holds a driver twice.
    bool Add(const QList<int>& drvnrs);
    // Unlinks the drivers of the list; their heats stay as they are.
    bool Remove(const QList<int>& drvnrs);

    const QString& LastError() const { return m_error; }

private:
    // One transaction for the whole list; `write` adds one driver's statement.
    bool Apply(const QList<int>& drvnrs, const std::function<void(TStoreTransaction&, int)>& write);

    QSqlDatabase m_db;
    int m_csnr;
    QString m_error;
};
