#pragma once

#include <QString>

// The read-only queries that several windows share, kept as stored: each
// statement's clauses joined by line breaks, integer parameters by name.
// A query is always run afresh: prepared, parameters bound, executed.
namespace SharedQueries {

QString QueryResult();         // :PCSnr: total standings of a championship
QString QueryResultDetail();   // :PCSnr: race points of a championship, race name as column Race
QString QueryResultDetail2();  // :PCSnr: race points per driver, best first
QString QueryHeatDetail();     // :ParCSnr, :ParRCnr, :ParHTnr: the rows of one heat in track order
QString QueryDriverInfo();     // :PCSnr, :PRCnr: all detail rows of one race, heat number as column Heat
QString Query1();              // :ParCSnr: the drivers of a championship in name order

}  // namespace SharedQueries
