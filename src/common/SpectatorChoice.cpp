#include "common/SpectatorChoice.h"

#include "common/TrackInterfaceChoice.h"

#include <QSettings>
#include <QStringList>

namespace {

const QString EnabledKey = QStringLiteral("Spectator/Enabled");
const QString AddressKey = QStringLiteral("Spectator/Address");
const QString PortKey = QStringLiteral("Spectator/Port");

// A file edited by hand may say "yes" or "On"; QVariant would take "no" for true.
bool EnabledOf(const QString& word)
{
    const QString normal = word.trimmed().toLower();
    return normal == QLatin1String("true") || normal == QLatin1String("1") || normal == QLatin1String("yes") ||
           normal == QLatin1String("on");
}

// An IPv4 address written as four numbers: what a club's network uses, and
// checked here so that a typo falls back to this computer only rather than
// to a failed start of the page.
bool IsIpv4Address(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        bool isNumber = false;
        const int value = part.toInt(&isNumber);
        if (!isNumber || part.isEmpty() || part.size() > 3 || value < 0 || value > 255 ||
            part.startsWith(QLatin1Char('+')))
            return false;
    }
    return true;
}

}  // namespace

TSpectatorChoice ReadSpectatorChoice(const QString& workingDirectory)
{
    TSpectatorChoice choice;
    const QSettings file(TrackInterfaceFilePath(workingDirectory), QSettings::IniFormat);
    choice.Enabled = EnabledOf(file.value(EnabledKey).toString());
    const QString address = file.value(AddressKey).toString().trimmed();
    if (IsIpv4Address(address))
        choice.Address = address;
    bool isNumber = false;
    const int port = file.value(PortKey).toString().trimmed().toInt(&isNumber);
    if (isNumber && port > 0 && port <= 65535)
        choice.Port = quint16(port);
    return choice;
}

bool WriteSpectatorChoice(const QString& workingDirectory, const TSpectatorChoice& choice)
{
    QSettings file(TrackInterfaceFilePath(workingDirectory), QSettings::IniFormat);
    file.setValue(EnabledKey, choice.Enabled);
    file.setValue(AddressKey, choice.Address.trimmed());
    file.setValue(PortKey, choice.Port);
    // As with the track interface: only an access error means the choice is
    // not there at the next start.
    file.sync();
    return file.status() != QSettings::AccessError;
}
