#include "data/SharedQueries.h"

#include <QStringList>

namespace SharedQueries {
namespace {
QString Clauses(std::initializer_list<const char*> lines)
{
    QStringList text;
    for (const char* line : lines)
        text << QString::fromLatin1(line);
    return text.join(QLatin1Char('\n'));
}
}  // namespace

QString QueryResult()
{
    return Clauses({
        R"(SELECT Kwl_drivers."Driver Name", Kwl_result.TotalPoints)",
        R"(FROM "KWL_Result.db" Kwl_result)",
        R"(INNER JOIN "KWL_Drivers.DB" Kwl_drivers ON (Kwl_result.DRVnr = Kwl_drivers.DRVnr))",
        R"(WHERE Kwl_result.CSnr = :PCSnr)",
        R"(ORDER BY Kwl_result.TotalPoints DESC, Kwl_drivers."Driver Name")",
    });
}

QString QueryResultDetail()
{
    return Clauses({
        R"(SELECT Kwl_race.RCnaam Race, Kwl_drivers."Driver Name", Kwl_resultdetail."Time", Kwl_resultdetail.Points)",
        R"(FROM "KWL_ResultDetail.db" Kwl_resultdetail)",
        R"(INNER JOIN "KWL_Drivers.DB" Kwl_drivers ON (Kwl_resultdetail.DRVnr = Kwl_drivers.DRVnr))",
        R"(INNER JOIN "KWL_Race.DB" Kwl_race ON (Kwl_resultdetail.RCnr = Kwl_race.RCnr))",
        R"(INNER JOIN "KWL_Championship.db" Kwl_championship ON (Kwl_resultdetail.CSnr = Kwl_championship.CSnr))",
        R"(WHERE Kwl_resultdetail.CSnr = :PCSnr)",
        // Equal points (every place from 21 on has 0) are listed by the race
        // total, best first as the race was ranked, then by name; RCnr keeps
        // two races of the same name apart.
        R"(ORDER BY Race, Kwl_resultdetail.RCnr, Kwl_resultdetail.Points DESC, CASE WHEN Kwl_championship.CSTimed THEN NULL ELSE Kwl_resultdetail."Time" END, CASE WHEN Kwl_championship.CSTimed THEN Kwl_resultdetail."Time" END DESC, Kwl_drivers."Driver Name")",
    });
}

QString QueryResultDetail2()
{
    return Clauses({
        R"(SELECT CSnr, DRVnr, Points)",
        R"(FROM "KWL_ResultDetail.db" Kwl_resultdetail)",
        R"(WHERE CSnr = :PCSnr)",
        R"(ORDER BY DRVnr, Points DESC)",
    });
}

QString QueryHeatDetail()
{
    return Clauses({
        R"(SELECT Kwl_heatdetail.Tracknr, Kwl_drivers."Driver Name", Kwl_heatdetail.Laps, Kwl_heatdetail."Time", Kwl_heatdetail.TopLapTime)",
        R"(FROM "KWL_HeatDetail.DB" Kwl_heatdetail)",
        R"(INNER JOIN "KWL_Drivers.DB" Kwl_drivers ON (Kwl_heatdetail.DRVnr = Kwl_drivers.DRVnr))",
        R"(WHERE (Kwl_heatdetail.CSnr = :ParCSnr) AND (Kwl_heatdetail.RCnr = :ParRCnr) AND (Kwl_heatdetail.HTnr = :ParHTnr))",
        R"(ORDER BY Kwl_heatdetail.Tracknr)",
    });
}

QString QueryDriverInfo()
{
    return Clauses({
        R"(SELECT Kwl_drivers."Driver Name", Kwl_heatdetail.Tracknr, Kwl_heatdetail.HTnr Heat, Kwl_heatdetail.Laps, Kwl_heatdetail."Time", Kwl_heatdetail.TopLapTime)",
        R"(FROM "KWL_HeatDetail.DB" Kwl_heatdetail)",
        R"(INNER JOIN "KWL_Drivers.DB" Kwl_drivers ON (Kwl_heatdetail.DRVnr = Kwl_drivers.DRVnr))",
        R"(WHERE (Kwl_heatdetail.CSnr = :PCSnr) AND (Kwl_heatdetail.RCnr = :PRCnr))",
        R"(ORDER BY Kwl_drivers."Driver Name", Kwl_heatdetail.Tracknr)",
    });
}

QString Query1()
{
    return Clauses({
        R"(SELECT Kwl_dic.DRVnr, Kwl_drivers."Driver Name")",
        R"(FROM "KWL_DIC.db" Kwl_dic)",
        R"(INNER JOIN "KWL_Drivers.DB" Kwl_drivers ON (Kwl_dic.DRVnr = Kwl_drivers.DRVnr))",
        R"(WHERE Kwl_dic.CSnr = :ParCSnr)",
        R"(ORDER BY Kwl_drivers."Driver Name")",
    });
}

}  // namespace SharedQueries
