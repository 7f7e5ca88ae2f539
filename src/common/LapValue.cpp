#include "common/LapValue.h"

#include <limits>

namespace {

constexpr int64_t LapFactor = 1000;

int32_t Saturate(int64_t v)
{
    if (v > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

// More than 1000 sections per lap would not fit below the laps digits.
int64_t UsableSections(int32_t sectionsPerLap) { return sectionsPerLap > 1000 ? 1000 : sectionsPerLap; }

// Builds a lap value from whole laps and a section count of any sign and size:
// everything is counted in sections first, then split again, so sections carry
// into laps, a lap is borrowed when the sections go negative, and a total below
// zero comes out with laps and sections both negative.
int32_t Combine(int64_t laps, int64_t sections, int32_t sectionsPerLap)
{
    const int64_t s = UsableSections(sectionsPerLap);
    if (s <= 0)
        return Saturate(laps * LapFactor);
    const int64_t total = laps * s + sections;
    const int64_t magnitude = total < 0 ? -total : total;
    const int64_t value = (magnitude / s) * LapFactor + magnitude % s;
    return Saturate(total < 0 ? -value : value);
}

}  // namespace

int32_t LapsOf(int32_t v) { return v / 1000; }

int32_t SectionsOf(int32_t v) { return v % 1000; }

int32_t MakeLapValue(int32_t laps, int32_t sections) { return Saturate(int64_t(laps) * LapFactor + sections); }

int32_t AddLapValues(int32_t a, int32_t b, int32_t sectionsPerLap)
{
    return Combine(int64_t(LapsOf(a)) + LapsOf(b), int64_t(SectionsOf(a)) + SectionsOf(b), sectionsPerLap);
}

int32_t SubtractLapValues(int32_t a, int32_t b, int32_t sectionsPerLap)
{
    return Combine(int64_t(LapsOf(a)) - LapsOf(b), int64_t(SectionsOf(a)) - SectionsOf(b), sectionsPerLap);
}

QString FormatLapValue(int32_t v, int32_t sectionsPerLap)
{
    if (sectionsPerLap <= 0)
        return QString::number(LapsOf(v));
    const int width = sectionsPerLap > 100 ? 3 : sectionsPerLap > 10 ? 2 : 1;
    // Both parts carry the sign, so the minus is written once in front of the
    // distance rather than before each part ("-2.20", not "-2.-20").
    const int64_t magnitude = v < 0 ? -int64_t(v) : int64_t(v);
    return QStringLiteral("%1%2.%3")
        .arg(v < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / LapFactor)
        .arg(magnitude % LapFactor, width, 10, QLatin1Char('0'));
}
