#include "data/KWLStore.h"

#include "data/NameCollation.h"
#include "data/Schema.h"
#include "data/SchemaUpgrade.h"
#include "data/StoreCreation.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace {

// A second, short-lived connection used to look at an existing file before
// the real connection may write to it.
constexpr const char* ProbeConnection = "KWLManager.probe";
// One that may write, for the moment it takes to roll back what a killed
// start left half-written, which the probe can not.
constexpr const char* RecoveryConnection = "KWLManager.recovery";
// At start a lock held by another program is waited out this long, not the
// 5 s an action waits; then the store is read only.
constexpr int StartBusyMs = 1000;
constexpr int ActionBusyMs = 5000;

constexpr int SqliteBusy = 5;
constexpr int SqliteLocked = 6;
constexpr int SqliteReadOnly = 8;
constexpr int SqliteFull = 13;

QString LastError(const QSqlDatabase& db, const QSqlQuery& query)
{
    QString text = query.lastError().text();
    if (text.trimmed().isEmpty())
        text = db.lastError().text();
    return text;
}

int PrimaryCode(const QSqlError& error) { return error.nativeErrorCode().toInt() & 0xff; }

bool IsLock(const QSqlError& error) { return PrimaryCode(error) == SqliteBusy || PrimaryCode(error) == SqliteLocked; }

// A file left in WAL mode can only be read with its -shm companion, which a
// write-protected folder or a full disk can not give it. When there is no
// -wal to read either, the file is whole as it stands and is read as
// immutable, which needs neither.
bool ReadableAsImmutable(const QString& path)
{
    const QStringList companions = StoreCreation::Companions(path);
    const QFileInfo wal(companions.at(1));
    return StoreCreation::InWalMode(path) && !QFileInfo::exists(companions.at(2)) && (!wal.exists() || wal.size() == 0);
}

// Opens a connection that only reads and reads the file's header; the error
// when it could not, with opened false when not even the connection opened.
QSqlError OpenToRead(QSqlDatabase& db, const QString& path, int busyMs, bool& opened)
{
    QSqlError failure;
    for (const bool immutable : {false, true}) {
        if (immutable && !ReadableAsImmutable(path))
            break;
        db.close();
        QString options = QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs);
        if (immutable) {
            db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1"));
            options += QStringLiteral(";QSQLITE_OPEN_URI");
        } else {
            db.setDatabaseName(path);
        }
        db.setConnectOptions(options);
        QString collation;
        opened = db.open() && NameCollation::Install(db, collation);
        if (!opened) {
            failure = collation.isEmpty() ? db.lastError() : QSqlError(collation);
            continue;
        }
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("PRAGMA schema_version")) && query.next())
            return {};
        failure = query.lastError();
        if (failure.type() == QSqlError::NoError)
            failure = QSqlError(LastError(db, query));
        if (IsLock(failure))
            break;  // whole, only not to be read now
    }
    return failure;
}

void RollBackInterrupted(const QString& path)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(RecoveryConnection));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(StartBusyMs));
        if (db.open())
            QSqlQuery(db).exec(QStringLiteral("PRAGMA schema_version"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(RecoveryConnection));
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
    m_cause = ReadOnlyCause::None;
    const QString folder = QDir(workingDirectory).filePath(QStringLiteral("data"));
    m_path = QDir(folder).filePath(QLatin1String(FileName));

    const QFileInfo file(m_path);
    bool exists = file.exists() && file.size() > 0;
    if (!exists && !QDir().mkpath(folder))
        return Fail(
            QStringLiteral("The race database could not be created."),
            QStringLiteral("The folder %1 could not be created; check that the working directory can be written.")
                .arg(QDir::toNativeSeparators(folder)));
    const bool folderWritable = QFileInfo(folder).isWritable();
    if (folderWritable)
        StoreCreation::RemoveStrayCreation(m_path);
    const bool writable = folderWritable && (!exists || file.isWritable());
    if (exists) {
        switch (VerifyExisting(writable)) {
        case Verdict::Refused: return m_status;
        case Verdict::Empty: exists = false; break;  // an earlier version's start, killed early
        case Verdict::Locked: m_cause = ReadOnlyCause::Locked; break;
        case Verdict::Ours: break;
        }
    }

    if (!exists) {
        QString error;
        if (!folderWritable)
            return Fail(QStringLiteral("The race database could not be created."),
                        QStringLiteral("The folder %1 can not be written.").arg(QDir::toNativeSeparators(folder)));
        if (!StoreCreation::Create(m_path, error))
            return Fail(QStringLiteral("The race database could not be created."), error);
    }
    if (m_cause == ReadOnlyCause::None && !writable)
        m_cause = ReadOnlyCause::NotWritable;
    if (m_cause == ReadOnlyCause::None && DiskFull()) {
        m_cause = ReadOnlyCause::DiskFull;
        m_detail = QStringLiteral("Less than 1 MB is free.");
    }
    if (m_cause == ReadOnlyCause::None) {
        const std::optional<ReadOnlyCause> cause = OpenForWriting();
        if (!cause)
            return Fail(m_error, m_detail);  // after the last handle is gone, so the connection can be removed
        if (*cause == ReadOnlyCause::None) {
            m_status = Status::Open;
            return m_status;
        }
        m_cause = *cause;
        m_error.clear();
    }
    return OpenForReading();
}

bool TKWLStore::DiskFull() const
{
    const QString folder = QFileInfo(m_path).absolutePath();
    const qint64 free = m_freeSpace ? m_freeSpace(folder) : StoreCreation::FreeSpace(folder);
    return free >= 0 && free < MinimumFreeSpace;
}

TKWLStore::ReadOnlyCause TKWLStore::CauseOf(const QSqlError& failure) const
{
    if (IsLock(failure))
        return ReadOnlyCause::Locked;
    if (PrimaryCode(failure) == SqliteFull || DiskFull())
        return ReadOnlyCause::DiskFull;
    return ReadOnlyCause::None;
}

std::optional<TKWLStore::ReadOnlyCause> TKWLStore::OpenForWriting()
{
    QSqlError failure;
    bool ready = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(ConnectionName));
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(StartBusyMs));
        QString collation;
        if (!db.open() || !NameCollation::Install(db, collation)) {
            m_error = QStringLiteral("The race database could not be opened.");
            m_detail = collation.isEmpty() ? db.lastError().text() : collation;
        } else {
            ready = Configure(db, failure);
        }
        if (ready)
            QSqlQuery(db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(ActionBusyMs));
        else
            db.close();
    }
    if (ready)
        return ReadOnlyCause::None;
    QSqlDatabase::removeDatabase(QLatin1String(ConnectionName));
    const ReadOnlyCause cause = CauseOf(failure);
    if (cause == ReadOnlyCause::None)
        return std::nullopt;
    m_detail = failure.text().trimmed().isEmpty() ? m_detail : failure.text();
    return cause;
}

TKWLStore::Status TKWLStore::OpenForReading()
{
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(ConnectionName));
        bool opened = false;
        const QSqlError failure =
            OpenToRead(db, m_path, m_cause == ReadOnlyCause::Locked ? StartBusyMs : ActionBusyMs, opened);
        if (!opened || (failure.isValid() && !IsLock(failure))) {
            error = failure.text();
        } else if (!failure.isValid()) {
            // Make sure the tables can be read. A lock may keep even reads
            // out for a while; the windows read again when they are shown.
            QSqlQuery query(db);
            if (!query.exec(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(QLatin1String(Schema::Drivers))) &&
                !IsLock(query.lastError()))
                error = LastError(db, query);
            // The results window works its standings out into the result
            // tables before it shows, prints or exports them. Here they go
            // into copies of this connection's own (TEMP, found before the
            // file's), which the file never sees.
            for (const char* table : {Schema::Result, Schema::ResultDetail}) {
                if (error.isEmpty() &&
                    !query.exec(QStringLiteral("CREATE TEMP TABLE \"%1\" AS SELECT * FROM main.\"%1\"")
                                    .arg(QLatin1String(table))))
                    qWarning("The standings can not be worked out: %s", qPrintable(LastError(db, query)));
            }
        }
    }
    if (!error.isEmpty())
        return Fail(QStringLiteral("The race database is read-only and could not be read."), error);
    m_status = Status::ReadOnly;
    return m_status;
}

TKWLStore::Verdict TKWLStore::VerifyExisting(bool toBeUpgraded)
{
    // Looked at read-only, so that a foreign or damaged file is left exactly
    // as it was found.
    QString failure;
    QString detail;
    bool locked = false;
    bool empty = false;
    {
        QSqlDatabase probe = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(ProbeConnection));
        bool opened = false;
        QSqlError unread = OpenToRead(probe, m_path, StartBusyMs, opened);
        if (opened && PrimaryCode(unread) == SqliteReadOnly && toBeUpgraded) {
            // A start killed while it wrote (as when it switched the journal
            // to WAL) leaves a journal that only a connection that may write
            // can roll back; any SQLite writer does so on its next read.
            probe.close();
            RollBackInterrupted(m_path);
            unread = OpenToRead(probe, m_path, StartBusyMs, opened);
        }
        QSqlQuery query(probe);
        if (!opened) {
            failure = QStringLiteral("The race database could not be opened.");
            detail = unread.text();
        } else if (IsLock(unread)) {
            locked = true;
        } else if (unread.isValid() || !query.exec(QStringLiteral("PRAGMA application_id")) || !query.next()) {
            failure =
                QStringLiteral("The file %1 is damaged or is not a Kobalap race database. It has been left untouched.");
            detail = unread.isValid() ? unread.text() : LastError(probe, query);
        } else if (query.value(0).toInt() != Schema::ApplicationId) {
            const qint64 id = query.value(0).toLongLong();
            // A file with nothing in it at all is what an earlier version's
            // first start left when it was killed early: a fresh installation.
            empty = id == 0 &&
                    query.exec(QStringLiteral("SELECT (SELECT count(*) FROM sqlite_master) + "
                                              "(SELECT user_version FROM pragma_user_version)")) &&
                    query.next() && query.value(0).toInt() == 0;
            failure = QStringLiteral("The file %1 is not a Kobalap race database. It has been left untouched.");
            detail = QStringLiteral("Its application id is %1.").arg(id);
        } else if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next() ||
                   query.value(0).toInt() > Schema::Version) {
            failure =
                QStringLiteral("The file %1 was written by a newer version of Kobalap. It has been left untouched.");
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
        probe.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(ProbeConnection));
    if (locked) {
        m_detail = QStringLiteral("database is locked");
        return Verdict::Locked;
    }
    if (empty)
        return Verdict::Empty;
    if (failure.isEmpty())
        return Verdict::Ours;
    Fail(failure.contains(QLatin1String("%1")) ? failure.arg(QDir::toNativeSeparators(m_path)) : failure, detail);
    return Verdict::Refused;
}

bool TKWLStore::Refuse(const QString& text, const QString& detail)
{
    m_error = text;
    m_detail = detail;
    return false;
}

bool TKWLStore::Configure(QSqlDatabase& db, QSqlError& failure)
{
    QSqlQuery query(db);
    const QString notPrepared = QStringLiteral("The race database could not be prepared for writing.");
    // WAL with synchronous=FULL: a commit is on disk when it returns, and a
    // crash can never leave half an action behind.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !query.next() ||
        query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        failure = query.lastError();
        return Refuse(notPrepared, LastError(db, query));
    }
    if (!query.exec(QStringLiteral("PRAGMA synchronous = FULL"))) {
        failure = query.lastError();
        return Refuse(notPrepared, LastError(db, query));
    }
    // A file of an earlier version is upgraded and whatever is missing made
    // in one transaction, so it is either wholly current or as it was. The
    // write lock is taken first, so that a lock held by another program shows
    // as such and not as a failed table.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        failure = query.lastError();
        return Refuse(notPrepared, LastError(db, query));
    }
    query.finish();
    QString error;
    if (!SchemaUpgrade::Upgrade(db, error)) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return Refuse(QStringLiteral("The race database could not be brought up to date. It has been left as it was."),
                      error);
    }
    if (!Schema::Create(db, error) || !query.exec(QStringLiteral("COMMIT"))) {
        failure = query.lastError();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return Refuse(QStringLiteral("The tables of the race database could not be created."),
                      error.isEmpty() ? LastError(db, query) : error);
    }
    return true;
}
