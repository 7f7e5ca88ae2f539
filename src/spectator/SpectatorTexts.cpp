#include "spectator/SpectatorTexts.h"

#include "common/LapValue.h"
#include "common/RaceTime.h"
#include "common/SettingColour.h"
#include "common/Settings.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

QString PhaseText(TRacePhase phase)
{
    switch (phase) {
    case TRacePhase::Ready: return QStringLiteral("Ready");
    case TRacePhase::StartLights: return QStringLiteral("Start lights");
    case TRacePhase::Racing: return QStringLiteral("Racing");
    case TRacePhase::Paused: return QStringLiteral("Paused");
    case TRacePhase::Finished: return QStringLiteral("Finished");
    }
    return {};
}

QString ClockText(const TRaceSnapshot& snapshot)
{
    // Before the green there is no race time yet, whatever the clock says.
    const int64_t elapsed = std::max<int64_t>(snapshot.Elapsed, 0);
    int64_t shown = elapsed;
    if (snapshot.RaceKind == TRaceKind::Timed)
        shown = int64_t(snapshot.RaceLength) * 1000 - elapsed;
    return FormatRaceTime(uint32_t(std::clamp<int64_t>(shown, 0, 0xFFFFFFFFll)), 0, true);
}

QString SpectatorLapText(uint32_t ms)
{
    return ms == 0 || ms == NoFastestLap ? QString() : FormatRaceTime(ms, 3, false);
}

QString GapText(const TRankingRow& row, int32_t sectionsPerLap)
{
    if (row.Place == 1)
        return {};
    if (row.Gap.Laps != 0) {
        const int32_t laps = LapsOf(row.Gap.Laps);
        if (SectionsOf(row.Gap.Laps) == 0)
            return laps == 1 ? QStringLiteral("+1 lap") : QStringLiteral("+%1 laps").arg(laps);
        return QStringLiteral("+%1 laps").arg(FormatLapValue(row.Gap.Laps, sectionsPerLap));
    }
    return QStringLiteral("+") + FormatRaceTime(row.Gap.Ms, 3, false);
}

QString SpectatorPointsText(double points)
{
    // Shared places average their points, so thirds occur; two decimals are
    // enough to tell drivers apart on a screen.
    const double rounded = std::round(points * 100) / 100;
    return QString::number(rounded, 'f', 2).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

TTrackColours SpectatorTrackColours(const TSettings& settings, int trackNr)
{
    // The race screen fills a track's panel with its "foreground" colour, so
    // that is the colour the drivers know their track by. The text takes
    // whichever of black and white stands out more on it.
    const QColor track = ColourOfSetting(settings.Foreground[size_t(std::clamp(trackNr, 1, 4) - 1)]);
    const double luminance = 0.299 * track.redF() + 0.587 * track.greenF() + 0.114 * track.blueF();
    return {track, luminance > 0.5 ? QColor(Qt::black) : QColor(Qt::white)};
}
