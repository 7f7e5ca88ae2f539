#include "timing/RaceJournalFile.h"

#include "common/SyncToDisk.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace RaceJournalFile {

QString PathIn(const QString& workingDirectory)
{
    return QDir(workingDirectory).filePath(QStringLiteral("journal/race.kjr"));
}

bool Clear(const QString& path)
{
    if (!QFileInfo::exists(path))
        return true;
    if (!QFile::remove(path))
        return false;
    SyncToDisk(QFileInfo(path).absolutePath());
    return true;
}

QString SetAside(const QString& path)
{
    const QFileInfo info(path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // A second discard within the same second gets a number, never the first one's name.
    for (int n = 0; n < 1000; ++n) {
        const QString name = n == 0 ? QStringLiteral("discarded-%1.kjr").arg(stamp)
                                    : QStringLiteral("discarded-%1-%2.kjr").arg(stamp).arg(n);
        const QString aside = info.dir().filePath(name);
        if (QFileInfo::exists(aside))
            continue;
        if (!QFile::rename(path, aside))
            return {};
        SyncToDisk(info.absolutePath());
        return aside;
    }
    return {};
}

}  // namespace RaceJournalFile
