#include "hardware/carrera/CarreraTestTexts.h"

#include "hardware/carrera/CarreraProtocol.h"

namespace CarreraTestTexts {

namespace {
constexpr int FullTank = 15;
}

QString VersionText(const QString& version, bool connected)
{
    if (connected)
        return version;
    return version.isEmpty() ? QStringLiteral("not answering") : QStringLiteral("%1, not answering").arg(version);
}

QString StartLightText(int indicator, bool connected)
{
    if (!connected)
        return QStringLiteral("not known");
    switch (indicator) {
    case 0:
    case 7: return QStringLiteral("off");
    case 1: return QStringLiteral("all red");
    case 2: return QStringLiteral("1 lamp");
    case 3:
    case 4:
    case 5:
    case 6: return QStringLiteral("%1 lamps").arg(indicator - 1);
    case 8:
    case 9: return QStringLiteral("flashing: jump start");
    default: return QStringLiteral("unknown (%1)").arg(indicator);
    }
}

QString CarName(int address)
{
    if (address == CarreraProtocol::GhostCar)
        return QStringLiteral("Ghost car");
    if (address == CarreraProtocol::PaceCar)
        return QStringLiteral("Pace car");
    return QStringLiteral("Car %1").arg(address);
}

QString EventText(uint32_t timeMs, int sector, uint32_t count)
{
    if (count == 0)
        return QStringLiteral("none yet");
    return QStringLiteral("%1.%2 s, sector %3, %4 %5")
        .arg(timeMs / 1000)
        .arg(timeMs % 1000, 3, 10, QLatin1Char('0'))
        .arg(sector)
        .arg(count)
        .arg(count == 1 ? QStringLiteral("event") : QStringLiteral("events"));
}

QString FuelText(int fuel)
{
    if (fuel < 0)
        return {};
    return QStringLiteral("fuel %1 of %2").arg(fuel).arg(FullTank);
}

}  // namespace CarreraTestTexts
