#include "common/TrackInterfaceChoice.h"

#include "hardware/lapcounter/LapCounterTcpWire.h"

#include <QDir>
#include <QSettings>

namespace {

const QString GroupName = QStringLiteral("TrackInterface");
const QString KindKey = QStringLiteral("Kind");
const QString DeviceKey = QStringLiteral("SerialDevice");
const QString CarreraDeviceKey = QStringLiteral("CarreraDevice");
const QString CarreraAddressKey = QStringLiteral("CarreraAddress");
const QString LapCounterDeviceKey = QStringLiteral("LapCounterDevice");
const QString LapCounterAddressKey = QStringLiteral("LapCounterAddress");
const QString LapCounterOutputsKey = QStringLiteral("LapCounterOutputs");

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
    {TTrackInterfaceChoice::TKind::LapCounter, "lapcounter"},
    {TTrackInterfaceChoice::TKind::LapCounterTcp, "lapcounter-tcp"},
};

struct TOutputsWord {
    TTrackInterfaceChoice::TOutputs outputs;
    const char* word;
};
constexpr TOutputsWord OutputsWords[] = {
    {TTrackInterfaceChoice::TOutputs::None, "none"},
    {TTrackInterfaceChoice::TOutputs::ParallelPort, "parallel"},
    {TTrackInterfaceChoice::TOutputs::LapBoard, "board"},
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

QString WordOf(TTrackInterfaceChoice::TOutputs outputs)
{
    for (const TOutputsWord& entry : OutputsWords)
        if (entry.outputs == outputs)
            return QLatin1String(entry.word);
    return QLatin1String(OutputsWords[0].word);
}

TTrackInterfaceChoice::TOutputs OutputsOf(const QString& word)
{
    // Unknown means none: switching a port nobody chose would be worse than
    // lights on the screen only.
    const QString normal = word.trimmed().toLower();
    for (const TOutputsWord& entry : OutputsWords)
        if (normal == QLatin1String(entry.word))
            return entry.outputs;
    return TTrackInterfaceChoice::TOutputs::None;
}

bool SameOutputs(const TTrackInterfaceChoice& a, const TTrackInterfaceChoice& b)
{
    if (a.LapCounterOutputs != b.LapCounterOutputs)
        return false;
    // The parallel port's address is taken as soon as it is applied; the
    // board is opened once, at start-up.
    return a.LapCounterOutputs != TTrackInterfaceChoice::TOutputs::LapBoard ||
           a.SerialDevice.trimmed() == b.SerialDevice.trimmed();
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
    choice.LapCounterDevice = file.value(GroupName + QLatin1Char('/') + LapCounterDeviceKey).toString().trimmed();
    choice.LapCounterAddress = file.value(GroupName + QLatin1Char('/') + LapCounterAddressKey).toString().trimmed();
    choice.LapCounterOutputs = OutputsOf(file.value(GroupName + QLatin1Char('/') + LapCounterOutputsKey).toString());
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
    file.setValue(LapCounterDeviceKey, choice.LapCounterDevice.trimmed());
    file.setValue(LapCounterAddressKey, choice.LapCounterAddress.trimmed());
    file.setValue(LapCounterOutputsKey, WordOf(choice.LapCounterOutputs));
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
    } else if (const QString counter = flags.LapCounter.trimmed(); !counter.isEmpty()) {
        // The outputs stay as chosen: the flag names only the counter.
        if (IsLapCounterAddress(counter)) {
            inUse.Kind = TTrackInterfaceChoice::TKind::LapCounterTcp;
            inUse.LapCounterAddress = counter;
        } else {
            inUse.Kind = TTrackInterfaceChoice::TKind::LapCounter;
            inUse.LapCounterDevice = counter;
        }
    }
    return inUse;
}

bool IsLapCounterAddress(const QString& text)
{
    // A device is a path (/dev/ttyUSB0, \\.\COM12) or a bare name (COM3).
    if (text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\\')))
        return false;
    QString host;
    uint16_t port = 0;
    return SplitHostAndPort(text, host, port);
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
    case TTrackInterfaceChoice::TKind::LapCounter:
        return inUse.Kind != chosen.Kind || chosen.LapCounterDevice.trimmed() != inUse.LapCounterDevice.trimmed() ||
               !SameOutputs(chosen, inUse);
    case TTrackInterfaceChoice::TKind::LapCounterTcp:
        return inUse.Kind != chosen.Kind || chosen.LapCounterAddress.trimmed() != inUse.LapCounterAddress.trimmed() ||
               !SameOutputs(chosen, inUse);
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
