#include "data/ChampionshipDrivers.h"

#include "data/StoreTransaction.h"

#include <QSqlQuery>

namespace {
// The link is written only when the driver exists and is not linked yet, so
// one statement serves a fresh driver, a repeat and a driver deleted meanwhile.
const char* const LinkDriver =
    R"(INSERT INTO "KWL_DIC.db" (CSnr, DRVnr) SELECT ?, DRVnr FROM "KWL_Drivers.DB" WHERE DRVnr = ? )"
    R"(AND NOT EXISTS (SELECT 1 FROM "KWL_DIC.db" WHERE CSnr = ? AND DRVnr = ?))";
const char* const UnlinkDriver = R"(DELETE FROM "KWL_DIC.db" WHERE CSnr = ? AND DRVnr = ?)";
}  // namespace

std::optional<QString> TChampionshipDrivers::ChampionshipName()
{
    m_error.clear();
    QSqlQuery query(m_db);
    if (!RunRead(m_db, query, QStringLiteral(R"(SELECT CSnaam FROM "KWL_Championship.db" WHERE CSnr = ?)"), {m_csnr},
                 m_error) ||
        !query.next())
        return std::nullopt;
    return query.value(0).toString();
}

bool TChampionshipDrivers::Add(const QList<int>& drvnrs)
{
    return Apply(drvnrs, [this](TStoreTransaction& action, int drvnr) {
        action.Exec(QLatin1String(LinkDriver), {m_csnr, drvnr, m_csnr, drvnr});
    });
}

bool TChampionshipDrivers::Remove(const QList<int>& drvnrs)
{
    return Apply(drvnrs, [this](TStoreTransaction& action, int drvnr) {
        action.Exec(QLatin1String(UnlinkDriver), {m_csnr, drvnr});
    });
}

bool TChampionshipDrivers::Apply(const QList<int>& drvnrs, const std::function<void(TStoreTransaction&, int)>& write)
{
    m_error.clear();
    if (drvnrs.isEmpty())
        return true;  // nothing chosen: no transaction, so a read-only store has nothing to refuse
    TStoreTransaction action(m_db);
    for (const int drvnr : drvnrs)
        write(action, drvnr);
    if (action.Commit())
        return true;
    m_error = action.ErrorText();
    return false;
}
