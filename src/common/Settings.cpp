#include "common/Settings.h"

#include "common/MaskFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <vector>

namespace {

// Byte offsets of the fields in the 220-byte record.
enum Offset : int {
    OffPortAddress = 0,
    OffInvertedInput = 4,
    OffTracks = 8,
    OffSectionsPerLap = 12,
    OffBounceDelay = 16,
    OffMultiplePower = 20,
    OffTrackRotation = 24,
    OffPlacePoints = 40,
    OffLapFalseStart = 120,
    OffLapNoFinish = 124,
    OffTimedFalseStart = 128,
    OffEditResult = 132,
    OffShowTotals = 133,
    OffSustain = 136,
    OffForeground = 140,
    OffBackground = 160,
    OffSounds = 180,
    OffReserved188 = 188,
    OffReserved192 = 192,
    OffReserved196 = 196,
    OffSeparator = 200,
    OffWindowState = 201,
    OffWindowLeft = 204,
    OffWindowTop = 208,
    OffWindowWidth = 212,
    OffWindowHeight = 216,
};
static_assert(OffWindowHeight + 4 == TSettings::RecordSize);

constexpr int32_t MinWindowExtent = 100;
constexpr int32_t MaxWindowCoordinate = 32000;

using Image = std::array<uint8_t, TSettings::RecordSize>;

uint32_t GetU32(const Image& b, int at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
int32_t GetI32(const Image& b, int at) { return int32_t(GetU32(b, at)); }
bool GetBool(const Image& b, int at) { return b[at] != 0; }

void PutU32(Image& b, int at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}
void PutI32(Image& b, int at, int32_t v) { PutU32(b, at, uint32_t(v)); }
void PutBool(Image& b, int at, bool v) { b[at] = v ? 1 : 0; }

int32_t NotNegative(int32_t v) { return v < 0 ? 0 : v; }

// Heat generation walks the rotation as 1, next[1], next[next[1]], ... for the
// number of tracks; that walk must meet every track 1..tracks exactly once.
// Entries beyond the walk are not read then, but must still name a track,
// since a later change of the number of tracks brings them into it.
bool UsableRotation(const std::array<int32_t, TSettings::TrackCount>& next, int32_t tracks)
{
    for (int32_t n : next)
        if (n < 1 || n > TSettings::TrackCount)
            return false;
    std::array<bool, TSettings::TrackCount + 1> seen{};
    int32_t track = 1;
    for (int32_t i = 0; i < tracks; ++i) {
        if (track > tracks || seen[track])
            return false;
        seen[track] = true;
        track = next[track - 1];
    }
    return true;
}

// Brings every value that other parts use as a count, an index or a duration
// into the range they can handle. A file written by this program passes
// unchanged; only a damaged or foreign file is corrected.
void BringIntoRange(TSettings& s)
{
    const TSettings defaults;
    // Every race window is built for 1..4 tracks.
    s.Tracks = std::clamp(s.Tracks, 1, TSettings::TrackCount);
    // The section part of a lap value has three digits.
    s.SectionsPerLap = std::clamp(s.SectionsPerLap, 0, TSettings::MaxSectionsPerLap);
    // A negative wait or penalty time has no meaning; none at all does.
    s.BounceDelayMs = NotNegative(s.BounceDelayMs);
    s.SustainSensorReadMs = NotNegative(s.SustainSensorReadMs);
    s.LapFalseStartMs = NotNegative(s.LapFalseStartMs);
    s.LapNoFinishMs = NotNegative(s.LapNoFinishMs);
    // The Timed false start is a distance: not below zero, and its section
    // part below the sections per lap (0 when sections are not counted), as
    // the Settings page stores it.
    if (s.TimedFalseStart < 0)
        s.TimedFalseStart = 0;
    const int32_t laps = s.TimedFalseStart / 1000;
    const int32_t sections = std::clamp(s.TimedFalseStart % 1000, 0, s.SectionsPerLap > 0 ? s.SectionsPerLap - 1 : 0);
    s.TimedFalseStart = laps * 1000 + sections;
    // Heat generation indexes the rotation by track number.
    if (!UsableRotation(s.TrackRotation, s.Tracks))
        s.TrackRotation = defaults.TrackRotation;
    // The main window knows three states.
    if (s.WindowState > 2)
        s.WindowState = 0;
    // A window too small to find or too large to place opens at its default
    // size; a position far off any screen at its default place.
    if (s.WindowWidth < MinWindowExtent || s.WindowWidth > MaxWindowCoordinate)
        s.WindowWidth = defaults.WindowWidth;
    if (s.WindowHeight < MinWindowExtent || s.WindowHeight > MaxWindowCoordinate)
        s.WindowHeight = defaults.WindowHeight;
    if (s.WindowLeft < -MaxWindowCoordinate || s.WindowLeft > MaxWindowCoordinate)
        s.WindowLeft = defaults.WindowLeft;
    if (s.WindowTop < -MaxWindowCoordinate || s.WindowTop > MaxWindowCoordinate)
        s.WindowTop = defaults.WindowTop;
    s.ExportSeparator = UsableSeparator(s.ExportSeparator);
}

// Random or foreign bytes of the right length must not pass for settings:
// points, penalties and colours would be whatever they happened to be.
// What the record itself bounds (yes/no bytes, 1..4 tracks, 0..1000
// sections, three window states) no settings file ever breaks.
bool PlausibleRecord(const QByteArray& record)
{
    Image b{};
    std::copy(record.cbegin(), record.cend(), b.begin());
    std::vector<int> flags{OffInvertedInput, OffMultiplePower, OffEditResult, OffShowTotals};
    for (int i = 0; i < TSettings::SoundCount; ++i)
        flags.push_back(OffSounds + i);
    const int32_t tracks = GetI32(b, OffTracks);
    const int32_t sections = GetI32(b, OffSectionsPerLap);
    return std::all_of(flags.cbegin(), flags.cend(), [&b](int at) { return b[at] <= 1; }) && tracks >= 1 &&
           tracks <= TSettings::TrackCount && sections >= 0 && sections <= TSettings::MaxSectionsPerLap &&
           b[OffWindowState] <= 2;
}

}  // namespace

TSettings::TSettings()
{
    for (int p = 0; p < PlaceCount; ++p)
        PlacePoints[p] = 20 - p;  // place p + 1 gets 21 - (p + 1)
    Foreground = {0x000000FF, 0x0000FFFF, 0x00FFFF00, 0x0000FF00, 0x00C0C0C0};
    Background = {0x000000D5, 0x0000D5D5, 0x00D5D500, 0x0000D500, 0x00C0C0C0};
    Sounds.fill(true);
}

void LoadDefaultSettings(TSettings& settings) { settings = TSettings(); }

QByteArray EncodeSettings(const TSettings& s)
{
    Image b = s.Image;
    PutI32(b, OffPortAddress, s.PortAddress);
    PutBool(b, OffInvertedInput, s.InvertedInput);
    PutI32(b, OffTracks, s.Tracks);
    PutI32(b, OffSectionsPerLap, s.SectionsPerLap);
    PutI32(b, OffBounceDelay, s.BounceDelayMs);
    PutBool(b, OffMultiplePower, s.MultiplePowerSignals);
    for (int i = 0; i < TSettings::TrackCount; ++i)
        PutI32(b, OffTrackRotation + 4 * i, s.TrackRotation[i]);
    for (int i = 0; i < TSettings::PlaceCount; ++i)
        PutI32(b, OffPlacePoints + 4 * i, s.PlacePoints[i]);
    PutI32(b, OffLapFalseStart, s.LapFalseStartMs);
    PutI32(b, OffLapNoFinish, s.LapNoFinishMs);
    PutI32(b, OffTimedFalseStart, s.TimedFalseStart);
    PutBool(b, OffEditResult, s.EditResult);
    PutBool(b, OffShowTotals, s.ShowTotals);
    PutI32(b, OffSustain, s.SustainSensorReadMs);
    for (int i = 0; i < TSettings::ColourCount; ++i) {
        PutU32(b, OffForeground + 4 * i, s.Foreground[i]);
        PutU32(b, OffBackground + 4 * i, s.Background[i]);
    }
    for (int i = 0; i < TSettings::SoundCount; ++i)
        PutBool(b, OffSounds + i, s.Sounds[i]);
    PutI32(b, OffReserved188, s.Reserved188);
    b[OffReserved192] = s.Reserved192;
    PutI32(b, OffReserved196, s.Reserved196);
    b[OffSeparator] = uint8_t(s.ExportSeparator);
    b[OffWindowState] = s.WindowState;
    PutI32(b, OffWindowLeft, s.WindowLeft);
    PutI32(b, OffWindowTop, s.WindowTop);
    PutI32(b, OffWindowWidth, s.WindowWidth);
    PutI32(b, OffWindowHeight, s.WindowHeight);
    return QByteArray(reinterpret_cast<const char*>(b.data()), TSettings::RecordSize);
}

bool DecodeSettings(const QByteArray& record, TSettings& settings)
{
    if (record.size() != TSettings::RecordSize)
        return false;
    TSettings s;
    std::copy(record.cbegin(), record.cend(), s.Image.begin());
    const Image& b = s.Image;
    s.PortAddress = GetI32(b, OffPortAddress);
    s.InvertedInput = GetBool(b, OffInvertedInput);
    s.Tracks = GetI32(b, OffTracks);
    s.SectionsPerLap = GetI32(b, OffSectionsPerLap);
    s.BounceDelayMs = GetI32(b, OffBounceDelay);
    s.MultiplePowerSignals = GetBool(b, OffMultiplePower);
    for (int i = 0; i < TSettings::TrackCount; ++i)
        s.TrackRotation[i] = GetI32(b, OffTrackRotation + 4 * i);
    for (int i = 0; i < TSettings::PlaceCount; ++i)
        s.PlacePoints[i] = GetI32(b, OffPlacePoints + 4 * i);
    s.LapFalseStartMs = GetI32(b, OffLapFalseStart);
    s.LapNoFinishMs = GetI32(b, OffLapNoFinish);
    s.TimedFalseStart = GetI32(b, OffTimedFalseStart);
    s.EditResult = GetBool(b, OffEditResult);
    s.ShowTotals = GetBool(b, OffShowTotals);
    s.SustainSensorReadMs = GetI32(b, OffSustain);
    for (int i = 0; i < TSettings::ColourCount; ++i) {
        s.Foreground[i] = GetU32(b, OffForeground + 4 * i);
        s.Background[i] = GetU32(b, OffBackground + 4 * i);
    }
    for (int i = 0; i < TSettings::SoundCount; ++i)
        s.Sounds[i] = GetBool(b, OffSounds + i);
    s.Reserved188 = GetI32(b, OffReserved188);
    s.Reserved192 = b[OffReserved192];
    s.Reserved196 = GetI32(b, OffReserved196);
    s.ExportSeparator = char(b[OffSeparator]);
    s.WindowState = b[OffWindowState];
    s.WindowLeft = GetI32(b, OffWindowLeft);
    s.WindowTop = GetI32(b, OffWindowTop);
    s.WindowWidth = GetI32(b, OffWindowWidth);
    s.WindowHeight = GetI32(b, OffWindowHeight);
    BringIntoRange(s);
    settings = s;
    return true;
}

char UsableSeparator(char separator)
{
    return separator == '\0' || separator == '\r' || separator == '\n' ? ';' : separator;
}

QString SettingsFilePath(const QString& folder) { return QDir(folder).filePath(QStringLiteral("KOBA.ini")); }

bool ReadSettings(TSettings& settings, TSensorMasks& masks, const QString& folder, QString* problem)
{
    QString why;
    QFile file(SettingsFilePath(folder));
    if (!file.exists()) {
        why = QStringLiteral("KOBA.ini is not in %1.").arg(QDir::toNativeSeparators(folder));
    } else if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("KOBA.ini could not be opened: %1").arg(file.errorString());
    } else {
        // One byte more than a record, so that a longer file shows itself.
        const QByteArray record = file.read(TSettings::RecordSize + 1);
        if (file.error() != QFileDevice::NoError)
            why = QStringLiteral("KOBA.ini could not be read: %1").arg(file.errorString());
        else if (record.size() != TSettings::RecordSize)
            why = QStringLiteral(
                      "KOBA.ini is %1 bytes long; the settings are one record of %2 bytes. "
                      "The file has been left as it is.")
                      .arg(file.size())
                      .arg(TSettings::RecordSize);
        else if (!PlausibleRecord(record))
            why = QStringLiteral(
                "KOBA.ini holds values no settings record has (a yes/no field, the tracks, the "
                "sections or the window state out of range). The file has been left as it is.");
        else if (!DecodeSettings(record, settings))
            why = QStringLiteral("KOBA.ini could not be read.");
        file.close();
    }
    if (!why.isEmpty())
        LoadDefaultSettings(settings);
    if (problem)
        *problem = why;
    ReadMaskFile(settings, masks, folder);
    return why.isEmpty();
}

bool WriteSettings(TSettings& settings, TSensorMasks& masks, const QString& folder)
{
    // Written beside KOBA.ini and renamed over it only when complete, so a
    // full disk or a crash never leaves a short record behind that the next
    // start would refuse.
    const QByteArray record = EncodeSettings(settings);
    QSaveFile file(SettingsFilePath(folder));
    bool ok = false;
    if (file.open(QIODevice::WriteOnly)) {
        // Flushed and checked before the commit: QSaveFile (Qt 6.4) renames a
        // file over the old one even when the flush inside commit() wrote only
        // part of it, e.g. on a full disk.
        if (file.write(record) == record.size() && file.flush())
            ok = file.commit();
        else
            file.cancelWriting();
    }
    if (ok)
        std::copy(record.cbegin(), record.cend(), settings.Image.begin());
    ReadMaskFile(settings, masks, folder);
    return ok;
}
