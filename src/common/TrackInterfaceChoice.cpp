#include "common/TrackInterfaceChoice.h"

#include <QDir>
#include <QSettings>

namespace {

const QString GroupName = QStringLiteral("TrackInterface");
const QString KindKey = QStringLiteral("Kind");
const QString DeviceKey = QStringLiteral("SerialDevice");
const QString CarreraDeviceKey = QStringLiteral("CarreraDevice");
const QString CarreraAddressKey = QStringLiteral("CarreraAddress");

// The words stored for the kinds; the enum's order is no file format.
struct TKindWord {
    TTrackInterfaceChoice::TKind kind;
    const char* word;
};
constexpr TKindWord KindWords[] = {
    {TTrackInterfaceChoice::TKind::ParallelPort, "parallel"},
    {TTrackInterfaceChoice::TKind::LapBoard, "board"},
    {TTrackInterfaceChoice::TKind::Simulated, "simulated"},
    {TTrackInterfaceChoice::TKind::Carrera, "carrera"},
    {TTrackInterfaceChoice::TKind::CarreraBluetooth, "carrera-bluetooth"},
};

QString WordOf(TTrackInterfaceChoice::TKind kind)
{
    for (const TKindWord& entry : KindWords)
        if (entry.kind == kind)
            return QLatin1String(entry.word);
    return QLatin1String(KindWords[0].word);
}

TTrackInterfaceChoice::TKind KindOf(const QString& word)
{
    // A file edited by hand may say "Board " as well as "board".
    const QString normal = word.trimmed().toLower();
    for (const TKindWord& entry : KindWords)
        if (normal == QLatin1String(entry.word))
            return entry.kind;
    return TTrackInterfaceChoice::TKind::ParallelPort;
}

}  // namespace

QString TrackInterfaceFilePath(const QString& folder) { return QDir(folder).filePath(QStringLiteral("kobalap.conf")); }

TTrackInterfaceChoice ReadTrackInterfaceChoice(const QString& workingDirectory)
{
    TTrackInterfaceChoice choice;
    // A file that cannot be read yields no values, and a damaged one what
    // could be made of it; a kind not found means the parallel port, as with
    // no file at all.
    const QSettings file(TrackInterfaceFilePath(workingDirectory), QSettings::IniFormat);
    choice.Kind = KindOf(file.value(GroupName + QLatin1Char('/') + KindKey).toString());
    choice.SerialDevice = file.value(GroupName + QLatin1Char('/') + DeviceKey).toString().trimmed();
    choice.CarreraDevice = file.value(GroupName + QLatin1Char('/') + CarreraDeviceKey).toString().trimmed();
    choice.CarreraAddress = file.value(GroupName + QLatin1Char('/') + CarreraAddressKey).toString().trimmed();
    return choice;
}

bool WriteTrackInterfaceChoice(const QString& workingDirectory, const TTrackInterfaceChoice& choice)
{
    QSettings file(TrackInterfaceFilePath(workingDirectory), QSettings::IniFormat);
    file.beginGroup(GroupName);
    file.setValue(KindKey, WordOf(choice.Kind));
    file.setValue(DeviceKey, choice.SerialDevice.trimmed());
    file.setValue(CarreraDeviceKey, choice.CarreraDevice.trimmed());
    file.setValue(CarreraAddressKey, choice.CarreraAddress.trimmed());
    file.endGroup();
    // QSettings writes lazily; the page must know now whether the choice
    // will be there at the next start. Only an access error means it is not:
    // a format error is left over from reading a damaged file, which the
    // write has just replaced with a sound one.
    file.sync();
    return file.status() != QSettings::AccessError;
}

TTrackInterfaceChoice InterfaceInUse(const TTrackInterfaceChoice& choice, const TInterfaceFlags& flags)
{
    TTrackInterfaceChoice inUse = choice;
    if (flags.Simulate)
        inUse.Kind = TTrackInterfaceChoice::TKind::Simulated;
    else if (!flags.CarreraDevice.trimmed().isEmpty()) {
        inUse.Kind = TTrackInterfaceChoice::TKind::Carrera;
        inUse.CarreraDevice = flags.CarreraDevice.trimmed();
    }
    return inUse;
}

bool ChoiceChangesInterface(const TTrackInterfaceChoice& chosen, const TTrackInterfaceChoice& atStartUp,
                            const TInterfaceFlags& flags)
{
    // Under a flag its interface runs whatever is stored, so any other
    // choice only tells on a start without it.
    const TTrackInterfaceChoice inUse = InterfaceInUse(atStartUp, flags);
    switch (chosen.Kind) {
    case TTrackInterfaceChoice::TKind::LapBoard:
        return inUse.Kind != chosen.Kind || chosen.SerialDevice.trimmed() != inUse.SerialDevice.trimmed();
    case TTrackInterfaceChoice::TKind::Carrera:
        return inUse.Kind != chosen.Kind || chosen.CarreraDevice.trimmed() != inUse.CarreraDevice.trimmed();
    case TTrackInterfaceChoice::TKind::CarreraBluetooth:
        return inUse.Kind != chosen.Kind || chosen.CarreraAddress.trimmed() != inUse.CarreraAddress.trimmed();
    case TTrackInterfaceChoice::TKind::ParallelPort:
    case TTrackInterfaceChoice::TKind::Simulated: break;
    }
    return inUse.Kind != chosen.Kind;
}

QString SerialPortEntryText(const QString& systemLocation, const QString& description)
{
    const QString about = description.trimmed();
    return about.isEmpty() ? systemLocation : QStringLiteral("%1 (%2)").arg(systemLocation, about);
}
