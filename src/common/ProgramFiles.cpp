#include "common/ProgramFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString ProgramFilesFolder()
{
    const QDir executable(QCoreApplication::applicationDirPath());
    // The logo is always shipped, so it tells which layout this is.
    if (QFileInfo::exists(executable.filePath(QStringLiteral("logo.jpg"))))
        return executable.path();
    const QString installed = QDir::cleanPath(executable.filePath(QStringLiteral("../share/kobalap")));
    if (QFileInfo::exists(QDir(installed).filePath(QStringLiteral("logo.jpg"))))
        return installed;
    return executable.path();
}

QString ProgramFile(const QString& relative) { return QDir(ProgramFilesFolder()).filePath(relative); }
