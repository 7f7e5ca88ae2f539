#include "results/DriverProfile.h"

std::optional<TDriverProfile> ReadDriverProfile(QSqlDatabase, int drvnr, const TSettings&, uint32_t, QString&)
{
    TDriverProfile profile;
    profile.DRVnr = drvnr;
    return profile;
}
