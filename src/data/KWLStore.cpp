#include "data/KWLStore.h"

#include "data/NameCollation.h"
#include "data/Schema.h"
#include "data/SchemaUpgrade.h"
#include "data/StoreTransaction.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// A second, short-lived connection used to look at an existing file before
// the real connection may write to it.
constexpr const char* ProbeConnection = "KWLManager.probe";

QString LastError(const QSqlDatabase& db, const QSqlQuery& query)
{
    QString text = query.lastError().text();
    if (text.trimmed().isEmpty())
        text = db.lastError().text();
    return text;
}

}  // namespace

TKWLStore::~TKWLStore() { Close(); }

QSqlDatabase TKWLStore::Database() const { return QSqlDatabase::database(QLatin1String(ConnectionName), false); }

TKWLStore::Status TKWLStore::Fail(const QString& text, const QString& detail)
{
    Close();
    m_status = Status::Failed;
    m_error = text;
    m_detail = detail;
    return m_status;
}

bool TKWLStore::Close()
{
    bool folded = true;
    if (QSqlDatabase::contains(QLatin1String(ConnectionName))) {
        {
            QSqlDatabase db = QSqlDatabase::database(QLatin1String(ConnectionName), false);
            if (db.isOpen()) {
                // Back to a single self-contained file: the journal is folded
                // in, and the file can be copied, backed up or opened
                // read-only without its WAL companions.
                if (m_status == Status::Open) {
                    QSqlQuery query(db);
                    folded = query.exec(QStringLiteral("PRAGMA journal_mode = DELETE")) && query.next() &&
                             query.value(0).toString().compare(QLatin1String("delete"), Qt::CaseInsensitive) == 0;
                    if (!folded)
                        qWarning("The race database %s stays in WAL mode: %s", qPrintable(m_path),
                                 qPrintable(LastError(db, query)));
                }
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(QLatin1String(ConnectionName));
    }
    m_status = Status::Closed;
    return folded;
}

TKWLStore::Status TKWLStore::Open(const QString& workingDirectory)
{
    Close();
    m_error.clear();
    m_detail.clear();
    const QString folder = QDir(workingDirectory).filePath(QStringLiteral("data"));
    m_path = QDir(folder).filePath(QLatin1String(FileName));

    const QFileInfo file(m_path);
    const bool exists = file.exists() && file.size() > 0;
    if (!exists && !QDir().mkpath(folder))
        return Fail(
            QStringLiteral("The race database could not be created."),
            QStringLiteral("The folder %1 could not be created; check that the working directory can be written.")
                .arg(QDir::toNativeSeparators(folder)));
    const bool writable = QFileInfo(folder).isWritable() && (!exists || file.isWritable());
    if (exists && !VerifyExisting(writable))
        return m_status;

    if (!exists && !writable)
        return Fail(QStringLiteral("The race database could not be created."),
                    QStringLiteral("The folder %1 can not be written.").arg(QDir::toNativeSeparators(folder)));

    bool ready = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(ConnectionName));
        db.setDatabaseName(m_path);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
        if (!writable)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        QString collation;
        if (!db.open() || !NameCollation::Install(db, collation)) {
            m_error = QStringLiteral("The race database could not be opened.");
            m_detail = collation.isEmpty() ? db.lastError().text() : collation;
        } else {
            ready = Configure(db, !writable);
        }
    }
    if (!ready)
        return Fail(m_error, m_detail);  // after the last handle is gone, so the connection can be removed
    m_status = writable ? Status::Open : Status::ReadOnly;
    return m_status;
}

bool TKWLStore::VerifyExisting(bool toBeUpgraded)
{
    // Looked at read-only, so that a foreign or damaged file is left exactly
    // as it was found.
    QString failure;
    QString detail;
    {
        QSqlDatabase probe = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(ProbeConnection));
        probe.setDatabaseName(m_path);
        probe.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        QString collation;
        if (!probe.open() || !NameCollation::Install(probe, collation)) {
            failure = QStringLiteral("The race database could not be opened.");
            detail = collation.isEmpty() ? probe.lastError().text() : collation;
        } else {
            QSqlQuery query(probe);
            if (!query.exec(QStringLiteral("PRAGMA application_id")) || !query.next()) {
                failure = QStringLiteral(
                    "The file %1 is damaged or is not a Kobalap race database. It has been left untouched.");
                detail = LastError(probe, query);
            } else if (query.value(0).toInt() != Schema::ApplicationId) {
                failure = QStringLiteral("The file %1 is not a Kobalap race database. It has been left untouched.");
                detail = QStringLiteral("Its application id is %1.").arg(query.value(0).toLongLong());
            } else if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next() ||
                       query.value(0).toInt() > Schema::Version) {
                failure = QStringLiteral(
                    "The file %1 was written by a newer version of Kobalap. It has been left untouched.");
                detail = LastError(probe, query);
            } else if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next() ||
                       query.value(0).toString() != QLatin1String("ok")) {
                failure = QStringLiteral("The file %1 is damaged. It has been left untouched.");
                detail = query.isActive() ? query.value(0).toString() : LastError(probe, query);
            } else if (toBeUpgraded) {
                // Only a file that will be upgraded needs its names to stay
                // apart; a read-only one keeps its old rule.
                query.finish();
                QStringList sameNames;
                if (!SchemaUpgrade::CollidingDriverNames(probe, sameNames, detail)) {
                    failure = QStringLiteral("The file %1 is damaged. It has been left untouched.");
                } else if (!sameNames.isEmpty()) {
                    failure = QStringLiteral(
                        "The file %1 holds drivers whose names differ only in letter case; this version of Kobalap "
                        "counts them as one name. It has been left untouched.");
                    detail = QStringLiteral(
                                 "Rename all but one driver of each group with the previous version of Kobalap, "
                                 "then start again: %1.")
                                 .arg(sameNames.join(QStringLiteral("; ")));
                }
            }
            query.finish();
        }
        probe.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(ProbeConnection));
    if (failure.isEmpty())
        return true;
    Fail(failure.contains(QLatin1String("%1")) ? failure.arg(QDir::toNativeSeparators(m_path)) : failure, detail);
    return false;
}

bool TKWLStore::Refuse(const QString& text, const QString& detail)
{
    m_error = text;
    m_detail = detail;
    return false;
}

bool TKWLStore::Configure(QSqlDatabase& db, bool readOnly)
{
    QSqlQuery query(db);
    if (readOnly) {
        // Nothing may be written, not even the journal mode; just make sure
        // the tables can be read.
        if (!query.exec(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(QLatin1String(Schema::Drivers)))) {
            return Refuse(QStringLiteral("The race database is read-only and could not be read."),
                          LastError(db, query));
        }
        return true;
    }
    // WAL with synchronous=FULL: a commit is on disk when it returns, and a
    // crash can never leave half an action behind.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !query.next() ||
        query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        return Refuse(QStringLiteral("The race database could not be prepared for writing."), LastError(db, query));
    }
    if (!query.exec(QStringLiteral("PRAGMA synchronous = FULL"))) {
        return Refuse(QStringLiteral("The race database could not be prepared for writing."), LastError(db, query));
    }
    query.finish();
    // A file of an earlier version is upgraded and whatever is missing made
    // in one transaction, so it is either wholly current or as it was.
    TStoreTransaction action(db);
    QString error;
    if (action.Active() && !SchemaUpgrade::Upgrade(db, error)) {
        return Refuse(QStringLiteral("The race database could not be brought up to date. It has been left as it was."),
                      error);
    }
    if (!action.Active() || !Schema::Create(db, error) || !action.Commit()) {
        return Refuse(QStringLiteral("The tables of the race database could not be created."),
                      error.isEmpty() ? action.ErrorText() : error);
    }
    return true;
}
