#include "common/SettingsForm.h"

#include "common/IntegerText.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int64_t MaxInt32 = std::numeric_limits<int32_t>::max();
constexpr int32_t MsPerSecond = 1000;
constexpr int32_t LapValueLap = 1000;  // a lap value is laps * 1000 + sections

// Numeric fields that the page may leave empty; they count as 0.
void ZeroEmptyFields(TSettingsForm& form)
{
    auto zero = [](QString& text) {
        if (text.isEmpty())
            text = QStringLiteral("0");
    };
    zero(form.Sections);
    zero(form.BounceDelay);
    for (QString& points : form.Points)
        zero(points);
    zero(form.LapFalseStart);
    zero(form.LapNoFinish);
    zero(form.SustainSensorRead);
    zero(form.TimedFalseStartLaps);
    zero(form.TimedFalseStartSections);
}

int32_t NotNegative(int32_t value) { return value < 0 ? 0 : value; }

// A time typed in seconds, held in milliseconds. Values too large for the
// record are refused rather than wrapped into a negative or tiny penalty.
bool SecondsToMs(const QString& text, int32_t& ms, QString& error)
{
    int32_t seconds = 0;
    if (!ParseInteger(text, seconds)) {
        error = ConversionErrorText(text);
        return false;
    }
    const int64_t value = int64_t(seconds) * MsPerSecond;
    if (value > MaxInt32) {
        error = QStringLiteral("'%1' is too large: at most %2 seconds").arg(text).arg(MaxInt32 / MsPerSecond);
        return false;
    }
    // A negative penalty would reward the driver it is meant to punish.
    ms = value < 0 ? 0 : int32_t(value);
    return true;
}

// The track order of a rotation text ("1 > 3 > 2"): the digits stand at every
// fourth character. A text that does not name each of the tracks once,
// starting with track 1, gives the plain order 1, 2, ... so that heat
// generation never walks outside its tracks.
std::array<int32_t, TSettings::TrackCount> RotationOrder(const QString& text, int32_t tracks)
{
    std::array<int32_t, TSettings::TrackCount> order{1, 2, 3, 4};
    std::array<bool, TSettings::TrackCount + 1> seen{};
    bool usable = text.size() >= 4 * (tracks - 1) + 1;
    for (int32_t i = 0; usable && i < tracks; ++i) {
        const int digit = text.at(4 * i).digitValue();
        usable = digit >= 1 && digit <= tracks && !seen[digit] && (i > 0 || digit == 1);
        if (usable) {
            seen[digit] = true;
            order[i] = digit;
        }
    }
    if (!usable)
        return {1, 2, 3, 4};
    return order;
}

}  // namespace

QString PortAddressText(int32_t address)
{
    const int64_t value = address;
    const QString hex = QString::number(value < 0 ? -value : value, 16).toUpper();
    // A negative address can only come from pasted text; shown with its sign
    // it reads back as the same number.
    return (value < 0 ? QStringLiteral("-$") : QStringLiteral("$")) + hex;
}

QString RotationText(const std::array<int32_t, TSettings::TrackCount>& next, int32_t tracks)
{
    QString text = QStringLiteral("1");
    int32_t last = 1;
    for (int32_t i = 1; i < tracks; ++i) {
        last = last >= 1 && last <= TSettings::TrackCount ? next[size_t(last - 1)] : 0;
        text += QStringLiteral(" > ") + QString::number(last);
    }
    return text;
}

QStringList RotationChoices(int32_t tracks)
{
    switch (tracks) {
    case 1: return {QStringLiteral("1")};
    case 2: return {QStringLiteral("1 > 2")};
    case 3: return {QStringLiteral("1 > 2 > 3"), QStringLiteral("1 > 3 > 2")};
    case 4:
        return {QStringLiteral("1 > 2 > 3 > 4"), QStringLiteral("1 > 2 > 4 > 3"), QStringLiteral("1 > 3 > 2 > 4"),
                QStringLiteral("1 > 3 > 4 > 2"), QStringLiteral("1 > 4 > 2 > 3"), QStringLiteral("1 > 4 > 3 > 2")};
    default: return {};
    }
}

TSettingsForm SettingsFormOf(const TSettings& s)
{
    TSettingsForm form;
    form.PortAddress = PortAddressText(s.PortAddress);
    form.InvertedInput = s.InvertedInput;
    form.Tracks = QString::number(s.Tracks);
    form.Sections = QString::number(s.SectionsPerLap);
    form.BounceDelay = QString::number(s.BounceDelayMs);
    form.MultiplePowerSignals = s.MultiplePowerSignals;
    form.Rotation = RotationText(s.TrackRotation, s.Tracks);
    for (size_t p = 0; p < form.Points.size(); ++p)
        form.Points[p] = QString::number(s.PlacePoints[p]);
    form.LapFalseStart = QString::number(s.LapFalseStartMs / MsPerSecond);
    form.LapNoFinish = QString::number(s.LapNoFinishMs / MsPerSecond);
    form.TimedFalseStartLaps = QString::number(s.TimedFalseStart / LapValueLap);
    form.TimedFalseStartSections = QString::number(s.TimedFalseStart % LapValueLap);
    form.SustainSensorRead = QString::number(s.SustainSensorReadMs);
    form.EditResult = s.EditResult;
    form.ShowTotals = s.ShowTotals;
    form.Separator = QString(QChar::fromLatin1(s.ExportSeparator));
    form.Foreground = s.Foreground;
    for (size_t t = 0; t < form.Background.size(); ++t)
        form.Background[t] = s.Background[t];
    form.Sounds = s.Sounds;
    return form;
}

QString ApplySettingsForm(TSettingsForm& form, TSettings& s)
{
    ZeroEmptyFields(form);
    int32_t value = 0;
    auto parse = [&value](const QString& text, QString& error) {
        if (ParseInteger(text, value))
            return true;
        error = ConversionErrorText(text);
        return false;
    };
    QString error;

    if (!parse(form.PortAddress, error))
        return error;
    s.PortAddress = value;
    s.InvertedInput = form.InvertedInput;
    if (!parse(form.Tracks, error))
        return error;
    // Every race window, the heat generation and the rotation are built for
    // 1..4 tracks; any other number is refused like text that is no number.
    if (value < 1 || value > TSettings::TrackCount)
        return QStringLiteral("'%1' is not a valid number of tracks (1..%2)")
            .arg(form.Tracks)
            .arg(TSettings::TrackCount);
    s.Tracks = value;

    if (!parse(form.Sections, error))
        return error;
    s.SectionsPerLap = std::clamp(value, 0, TSettings::MaxSectionsPerLap);

    if (!parse(form.BounceDelay, error))
        return error;
    s.BounceDelayMs = NotNegative(value);
    s.MultiplePowerSignals = form.MultiplePowerSignals;

    const auto order = RotationOrder(form.Rotation, s.Tracks);
    for (int32_t i = 0; i + 1 < s.Tracks; ++i)
        s.TrackRotation[size_t(order[i] - 1)] = order[i + 1];
    s.TrackRotation[size_t(order[s.Tracks - 1] - 1)] = 1;

    for (size_t p = 0; p < form.Points.size(); ++p) {
        if (!parse(form.Points[p], error))
            return error;
        s.PlacePoints[p] = value;
    }

    if (!SecondsToMs(form.LapFalseStart, s.LapFalseStartMs, error) ||
        !SecondsToMs(form.LapNoFinish, s.LapNoFinishMs, error))
        return error;
    if (!parse(form.SustainSensorRead, error))
        return error;
    s.SustainSensorReadMs = NotNegative(value);

    if (!parse(form.TimedFalseStartLaps, error))
        return error;
    const int32_t laps = value;
    if (!parse(form.TimedFalseStartSections, error))
        return error;
    int32_t sections = value;
    if (sections >= s.SectionsPerLap)
        sections = s.SectionsPerLap - 1;
    if (sections < 0)
        sections = 0;
    const int64_t lapValue = int64_t(laps) * LapValueLap + sections;
    if (lapValue > MaxInt32)
        return QStringLiteral("'%1' is too large: at most %2 laps")
            .arg(form.TimedFalseStartLaps)
            .arg((MaxInt32 - sections) / LapValueLap);
    // A negative distance penalty would add laps to a driver who jumped the start.
    s.TimedFalseStart = lapValue < 0 ? 0 : int32_t(lapValue);

    s.EditResult = form.EditResult;
    s.ShowTotals = form.ShowTotals;
    // The separator is one byte in the record; a character it cannot hold, or
    // one that would break the exported lines, gives the default.
    s.ExportSeparator = UsableSeparator(form.Separator.isEmpty() ? ';' : form.Separator.at(0).toLatin1());

    s.Foreground = form.Foreground;
    for (size_t t = 0; t < form.Background.size(); ++t)
        s.Background[t] = form.Background[t];
    s.Background[TSettings::TrackX] = form.Foreground[TSettings::TrackX];
    s.Sounds = form.Sounds;
    return {};
}
