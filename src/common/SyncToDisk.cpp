#include "common/SyncToDisk.h"

#include <QFile>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

bool SyncToDisk(const QString& path)
{
#ifdef _WIN32
    Q_UNUSED(path);
    return true;
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#endif
}
