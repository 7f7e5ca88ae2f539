#include "voice/AnnouncementChoice.h"

#include "common/TrackInterfaceChoice.h"

#include <QSettings>
#include <QStringList>
#include <algorithm>

namespace {

const QString Group = QStringLiteral("Announcements");
const QString NamesGroup = QStringLiteral("SpokenNames");
// The switches' keys, in the order of TAnnouncementKind.
const char* const KindKeys[AnnouncementKindCount] = {"LineUp",       "FalseStart", "FastestLap", "ToGo",
                                                     "LeaderChange", "Finish",     "TimingLost", "Records"};

// A file edited by hand may say "yes" or "Off"; anything unclear keeps the default.
bool SwitchOf(const QVariant& value, bool fallback)
{
    const QString word = value.toString().trimmed().toLower();
    if (word == QLatin1String("true") || word == QLatin1String("1") || word == QLatin1String("yes") ||
        word == QLatin1String("on"))
        return true;
    if (word == QLatin1String("false") || word == QLatin1String("0") || word == QLatin1String("no") ||
        word == QLatin1String("off"))
        return false;
    return fallback;
}

int PercentOf(const QVariant& value, int low, int high, int fallback)
{
    bool isNumber = false;
    const int number = value.toString().trimmed().toInt(&isNumber);
    return isNumber ? std::clamp(number, low, high) : fallback;
}

}  // namespace

TAnnouncementChoice ReadAnnouncementChoice(const QString& workingDirectory)
{
    TAnnouncementChoice choice;
    QSettings file(TrackInterfaceFilePath(workingDirectory), QSettings::IniFormat);
    file.beginGroup(Group);
    choice.Enabled = SwitchOf(file.value(QStringLiteral("Enabled")), false);
    choice.Voice = file.value(QStringLiteral("Voice")).toString().trimmed();
    choice.RatePercent = PercentOf(file.value(QStringLiteral("Rate")), -100, 100, choice.RatePercent);
    choice.VolumePercent = PercentOf(file.value(QStringLiteral("Volume")), 0, 100, choice.VolumePercent);
    for (int kind = 0; kind < AnnouncementKindCount; ++kind)
        choice.Says[size_t(kind)] = SwitchOf(file.value(QLatin1String(KindKeys[kind])), true);
    file.endGroup();

    file.beginGroup(NamesGroup);
    for (const QString& key : file.childKeys()) {
        bool isNumber = false;
        const int32_t driver = key.toInt(&isNumber);
        const QString spoken = file.value(key).toString().trimmed();
        if (isNumber && driver > 0 && !spoken.isEmpty())
            choice.SpokenNames.insert(driver, spoken);
    }
    file.endGroup();
    return choice;
}

bool WriteAnnouncementChoice(const QString& workingDirectory, const TAnnouncementChoice& choice)
{
    QSettings file(TrackInterfaceFilePath(workingDirectory), QSettings::IniFormat);
    file.beginGroup(Group);
    file.setValue(QStringLiteral("Enabled"), choice.Enabled);
    file.setValue(QStringLiteral("Voice"), choice.Voice);
    file.setValue(QStringLiteral("Rate"), std::clamp(choice.RatePercent, -100, 100));
    file.setValue(QStringLiteral("Volume"), std::clamp(choice.VolumePercent, 0, 100));
    for (int kind = 0; kind < AnnouncementKindCount; ++kind)
        file.setValue(QLatin1String(KindKeys[kind]), choice.Says[size_t(kind)]);
    file.endGroup();

    file.remove(NamesGroup);
    file.beginGroup(NamesGroup);
    for (auto entry = choice.SpokenNames.cbegin(); entry != choice.SpokenNames.cend(); ++entry)
        if (!entry.value().trimmed().isEmpty())
            file.setValue(QString::number(entry.key()), entry.value().trimmed());
    file.endGroup();
    // As with the track interface: only an access error means the choice is
    // not there at the next start.
    file.sync();
    return file.status() != QSettings::AccessError;
}
