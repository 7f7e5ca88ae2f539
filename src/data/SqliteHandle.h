#pragma once

#include <QSqlDatabase>

struct sqlite3;

// The sqlite3 handle under a Qt SQLite connection, or null when the
// connection is not an open SQLite one. Qt's driver links the same shared
// libsqlite3 as this program, so the handle is valid here. For what Qt's
// layer cannot do (a collation) or does too slowly (a million rows read).
sqlite3* SqliteHandle(const QSqlDatabase& db);
