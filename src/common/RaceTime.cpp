#include "common/RaceTime.h"

TRaceTimeParts SplitRaceTime(uint32_t ms)
{
    TRaceTimeParts parts;
    parts.Minutes = ms / 60000u;
    parts.Seconds = (ms % 60000u) / 1000u;
    parts.Milliseconds = ms % 1000u;
    return parts;
}

QString FormatRaceTime(uint32_t ms, int precision, bool withMinutes)
{
    const TRaceTimeParts parts = SplitRaceTime(ms);
    QString text;
    if (withMinutes) {
        text = parts.Minutes <= 999 ? QStringLiteral("%1:%2.%3")
                                          .arg(parts.Minutes)
                                          .arg(parts.Seconds, 2, 10, QLatin1Char('0'))
                                          .arg(parts.Milliseconds, 3, 10, QLatin1Char('0'))
                                    : QStringLiteral("999:99.999");
    } else {
        text = parts.Minutes == 0 ? QStringLiteral("%1.%2")
                                        .arg(parts.Seconds, 2, 10, QLatin1Char('0'))
                                        .arg(parts.Milliseconds, 3, 10, QLatin1Char('0'))
                                  : QStringLiteral("99.999");
    }
    // Characters cut from the end per precision 0..3: the point and all three
    // decimals, two decimals, one decimal, nothing.
    static constexpr int Cut[4] = {4, 2, 1, 0};
    const int p = precision < 0 ? 0 : precision > 3 ? 3 : precision;
    text.chop(Cut[p]);
    return text;
}
