#include "data/NameCollation.h"

#include "data/SqliteHandle.h"

#include <QCollator>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <sqlite3.h>

namespace NameCollation {
namespace {

// The order is written into the index pages of the file, so it must not
// change with the machine: an index sorted under one locale and searched
// under another finds the wrong rows and lets a second "Émile" in. The
// locale is therefore fixed, and English because its collation is the
// Unicode default order (CLDR root) with no language's own rules on top:
// no Swedish Ö after Z, no Danish Aa after Z, accented letters beside their
// plain ones. Secondary strength: accents count, case does not.
QCollator* MakeCollator()
{
    auto* collator = new QCollator(QLocale(QLocale::English));
    collator->setCaseSensitivity(Qt::CaseInsensitive);
    collator->setNumericMode(false);  // "Race 01" and "Race 1" stay two names
    collator->setIgnorePunctuation(false);
    return collator;
}

// A Qt without ICU falls back to the C library's collation, which follows
// the process locale and ignores the case setting: the file's indexes would
// then depend on the machine after all. Refused rather than used.
bool BehavesAsRead(const QCollator& collator)
{
    return collator.compare(QStringLiteral("\u00E9mile"), QStringLiteral("\u00C9mile")) == 0 &&
           collator.compare(QStringLiteral("Emile"), QStringLiteral("\u00C9mile")) < 0 &&
           collator.compare(QStringLiteral("\u00C9mile"), QStringLiteral("Zeger")) < 0;
}

int Compare(void* collator, int length1, const void* text1, int length2, const void* text2)
{
    return static_cast<const QCollator*>(collator)->compare(
        QString::fromUtf8(static_cast<const char*>(text1), length1),
        QString::fromUtf8(static_cast<const char*>(text2), length2));
}

void Destroy(void* collator) { delete static_cast<QCollator*>(collator); }

}  // namespace

bool Install(const QSqlDatabase& db, QString& error)
{
    sqlite3* connection = SqliteHandle(db);
    if (!connection) {
        error = QStringLiteral("The database connection is not an open SQLite connection.");
        return false;
    }
    // One collator per connection: a connection stays on its thread, a
    // collator shared between threads would not be safe. SQLite deletes it
    // when the connection closes.
    QCollator* collator = MakeCollator();
    if (!BehavesAsRead(*collator)) {
        delete collator;
        error = QStringLiteral("This build of Qt has no Unicode collation (ICU); names can not be compared.");
        return false;
    }
    const int rc = sqlite3_create_collation_v2(connection, SqlName, SQLITE_UTF8, collator, &Compare, &Destroy);
    if (rc != SQLITE_OK) {
        delete collator;  // not taken over when registering fails
        error = QString::fromUtf8(sqlite3_errstr(rc));
        return false;
    }
    return true;
}

}  // namespace NameCollation
