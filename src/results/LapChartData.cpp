#include "results/LapChartData.h"

#include "common/RaceTime.h"
#include "results/LapGrid.h"

#include <QMap>
#include <algorithm>

namespace {

QString LeftOutReason(uint32_t ms)
{
    // A lap over the minute is shown in full: the grid's "99.999" would hide
    // how long it really took.
    return ms == 0 ? QStringLiteral("no time") : FormatRaceTime(ms, 3, true);
}

}  // namespace

TLapChartData BuildLapChartData(const QList<TDriverLaps>& drivers)
{
    TLapChartData data;
    data.Lines.reserve(drivers.size());
    QMap<int, int> driversOfTrack;
    bool anyPoint = false;
    for (const TDriverLaps& driver : drivers) {
        TLapChartLine line;
        line.Driver = driver.Driver;
        line.Track = driver.Track;
        line.Variant = driversOfTrack[driver.Track]++;
        line.Points.reserve(driver.Laps.size());
        for (const TDriverLap& lap : driver.Laps) {
            if (!ChartsLap(lap.TimeMs)) {
                data.LeftOut << QStringLiteral("%1 lap %2 (%3)")
                                    .arg(driver.Driver)
                                    .arg(lap.Number)
                                    .arg(LeftOutReason(lap.TimeMs));
                continue;
            }
            const QPointF point(lap.Number, lap.TimeMs / 1000.0);
            line.Points << point;
            if (!line.HasFastest || lap.TimeMs < line.FastestMs) {
                line.HasFastest = true;
                line.Fastest = point;
                line.FastestMs = lap.TimeMs;
            }
            if (!anyPoint) {
                data.MinSeconds = data.MaxSeconds = point.y();
                anyPoint = true;
            }
            data.MinSeconds = std::min(data.MinSeconds, point.y());
            data.MaxSeconds = std::max(data.MaxSeconds, point.y());
            data.LastLap = std::max(data.LastLap, lap.Number);
        }
        data.Lines << line;
    }
    return data;
}

QString LeftOutText(const QStringList& leftOut, int shown)
{
    if (leftOut.isEmpty())
        return {};
    QString text = QStringLiteral("Left out: ") + leftOut.mid(0, shown).join(QStringLiteral(", "));
    if (leftOut.size() > shown)
        text += QStringLiteral(" and %1 more").arg(leftOut.size() - shown);
    return text;
}

QString LapChartLineName(const TLapChartLine& line)
{
    if (!line.HasFastest)
        return line.Driver;
    return QStringLiteral("%1 (fastest %2, lap %3)")
        .arg(line.Driver, LapTimeText(line.FastestMs))
        .arg(int(line.Fastest.x()));
}
