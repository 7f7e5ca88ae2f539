#include "data/StoreCreation.h"

#include "common/SyncToDisk.h"
#include "data/NameCollation.h"
#include "data/Schema.h"
#include "data/StoreTransaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>
#ifdef _WIN32
#include <filesystem>
#include <system_error>
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace StoreCreation {
namespace {

constexpr const char* CreationConnection = "KWLManager.create";

// Renames a file over another in one step, so that the other is there
// whole, as it was or as the new one, whatever happens meanwhile. Where
// there was nothing, a file another start put there at the same moment
// (and may be writing to) is not replaced: the rename fails.
bool Replace(const QString& from, const QString& to, QString& failure)
{
#ifdef _WIN32
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(from.toStdWString()), std::filesystem::path(to.toStdWString()), code);
    failure = QString::fromStdString(code.message());
    return !code;
#else
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (!QFileInfo::exists(to)) {
        // A hard link is made only where no file is; a file system without
        // them (FAT on a memory stick) gets the plain rename below.
        if (::link(source.constData(), target.constData()) == 0) {
            ::unlink(source.constData());
            return true;
        }
        if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != ENOSYS) {
            failure = errno == EEXIST ? QStringLiteral("another start made it at the same moment; start again")
                                      : QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
    }
    if (::rename(source.constData(), target.constData()) == 0)
        return true;
    failure = QString::fromLocal8Bit(std::strerror(errno));
    return false;
#endif
}

bool RemoveAll(const QStringList& paths)
{
    bool removed = true;
    for (const QString& path : paths)
        removed = (!QFileInfo::exists(path) || QFile::remove(path)) && removed;
    return removed;
}

// The schema written into the passing file: every table, the application id
// and the version in one transaction. The file keeps its journal in memory,
// so a failure leaves nothing but the passing file, which is removed.
bool WriteSchema(const QString& path, QString& error)
{
    bool written = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(CreationConnection));
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (!db.open() || !NameCollation::Install(db, error)) {
            if (error.isEmpty())
                error = db.lastError().text();
        } else if (!query.exec(QStringLiteral("PRAGMA journal_mode = MEMORY")) ||
                   !query.exec(QStringLiteral("PRAGMA synchronous = FULL"))) {
            error = query.lastError().text();
        } else {
            query.finish();
            TStoreTransaction action(db);
            written = action.Active() && Schema::Create(db, error) && action.Commit();
            if (!written && error.isEmpty())
                error = action.ErrorText();
        }
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(CreationConnection));
    return written;
}

}  // namespace

QString CreationPath(const QString& path)
{
    return path + QStringLiteral(".new") + QString::number(QCoreApplication::applicationPid());
}

QStringList Companions(const QString& path)
{
    return {path + QStringLiteral("-journal"), path + QStringLiteral("-wal"), path + QStringLiteral("-shm")};
}

void RemoveStrayCreation(const QString& path)
{
    // Their journals too (name.newN-journal ...).
    const QFileInfo file(path);
    const QDir folder = file.absoluteDir();
    QStringList stray;
    for (const QString& name : folder.entryList({file.fileName() + QStringLiteral(".new*")}, QDir::Files))
        stray << folder.filePath(name);
    RemoveAll(stray);
}

bool Create(const QString& path, QString& error)
{
    const QString passing = CreationPath(path);
    const QStringList mine = QStringList{passing} + Companions(passing);
    RemoveAll(mine);
    if (!WriteSchema(passing, error) || !SyncToDisk(passing)) {
        if (error.isEmpty())
            error = QStringLiteral("%1 could not be written to disk.").arg(QDir::toNativeSeparators(passing));
        RemoveAll(mine);
        return false;
    }
    // Journals of whatever was there would be applied to the new file; what
    // was there held nothing (the caller made sure), so they go first.
    if (!RemoveAll(Companions(path))) {
        error = QStringLiteral("The journal files of %1 could not be removed.").arg(QDir::toNativeSeparators(path));
        RemoveAll(mine);
        return false;
    }
    QString failure;
    if (!Replace(passing, path, failure)) {
        error = QStringLiteral("%1 could not be renamed to %2: %3")
                    .arg(QDir::toNativeSeparators(passing), QFileInfo(path).fileName(), failure);
        RemoveAll(mine);
        return false;
    }
    if (!SyncToDisk(QFileInfo(path).absolutePath())) {
        error = QStringLiteral("The folder %1 could not be written to disk.")
                    .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
        return false;
    }
    return true;
}

bool InWalMode(const QString& path)
{
    // Bytes 18 and 19 of a SQLite header are the write and read versions: 2 in WAL mode.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(20);
    return header.size() == 20 && header.startsWith("SQLite format 3") && header.at(18) == 2 && header.at(19) == 2;
}

qint64 FreeSpace(const QString& folder)
{
    const QStorageInfo storage(folder);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

}  // namespace StoreCreation
