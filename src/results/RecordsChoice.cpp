#include "results/RecordsChoice.h"

#include "common/TrackInterfaceChoice.h"

#include <QSettings>
#include <algorithm>

namespace {
const QString Group = QStringLiteral("Records");
const QString MinimumKey = QStringLiteral("MinimumLapMs");
}  // namespace

uint32_t ReadMinimumLapMs(const QString& workingDirectory)
{
    QSettings file(TrackInterfaceFilePath(workingDirectory), QSettings::IniFormat);
    bool isNumber = false;
    const qlonglong ms = file.value(Group + QLatin1Char('/') + MinimumKey).toString().trimmed().toLongLong(&isNumber);
    if (!isNumber || ms < 0 || ms > qlonglong(MaximumMinimumLapMs))
        return DefaultMinimumLapMs;
    return uint32_t(ms);
}

bool WriteMinimumLapMs(const QString& workingDirectory, uint32_t minimumMs)
{
    QSettings file(TrackInterfaceFilePath(workingDirectory), QSettings::IniFormat);
    file.setValue(Group + QLatin1Char('/') + MinimumKey, qlonglong(std::min(minimumMs, MaximumMinimumLapMs)));
    // Only an access error means the minimum is not there at the next start.
    file.sync();
    return file.status() != QSettings::AccessError;
}
