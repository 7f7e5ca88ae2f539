#pragma once

#include <QString>

// fsync() on a file or a folder by its path. A file made, renamed or
// removed is durable only once its folder is synced too. Windows makes both
// durable on its own, so there it is a no-op that succeeds.
bool SyncToDisk(const QString& path);
