#pragma once

#include <QString>

class QSqlDatabase;

// How driver, championship and race names compare: as a person reads them,
// letter case ignored but accents kept ("émile" is "Émile", "Emile" is not),
// and "Émile" sorts beside "Emile", not after "Zeger". The name columns and
// their indexes are declared with this collation, so every ORDER BY, every
// "=" and the unique driver index follow it without saying so.
namespace NameCollation {

// The collation's name in the schema's SQL.
inline constexpr const char* SqlName = "KOBALAP_NAME";

// Registers the collation on an open connection. SQLite can neither read an
// index on a name column nor check the file without it, so every connection
// to the race database calls this straight after opening. False with the
// cause when it cannot be registered.
bool Install(const QSqlDatabase& db, QString& error);

}  // namespace NameCollation
