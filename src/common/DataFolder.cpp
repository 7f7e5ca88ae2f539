#include "common/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString ClubDataFolder() { return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation); }

QStringList CopyDefaultSounds(const QString& defaultSounds, const QString& soundFolder)
{
    const QDir from(defaultSounds);
    const QDir to(soundFolder);
    const QStringList names = from.entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name);
    if (!names.isEmpty() && !QDir().mkpath(soundFolder))
        return names;
    QStringList failed;
    for (const QString& name : names) {
        const QString target = to.filePath(name);
        if (QFileInfo::exists(target))
            continue;
        if (!QFile::copy(from.filePath(name), target))
            failed << name;
    }
    return failed;
}
