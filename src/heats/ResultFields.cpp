#include "heats/ResultFields.h"

#include "common/IntegerText.h"
#include "common/LapValue.h"
#include "common/RaceTime.h"

#include <algorithm>

namespace {

constexpr int32_t MinutesLimit = 999;
constexpr int32_t SecondsLimit = 59;
constexpr int32_t MillisecondsLimit = 999;
constexpr int32_t LapsLimit = 9999;

bool AllDigits(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

}  // namespace

int32_t ResultFieldLimit(TResultField field, int32_t sectionsPerLap)
{
    switch (field) {
    case TResultField::Minutes: return MinutesLimit;
    case TResultField::Seconds: return SecondsLimit;
    case TResultField::Milliseconds: return MillisecondsLimit;
    case TResultField::Laps: return LapsLimit;
    case TResultField::Sections: break;
    }
    return std::max(sectionsPerLap - 1, 0);
}

QString LimitedFieldText(const QString& text, int32_t limit)
{
    if (text.isEmpty())
        return text;
    int32_t value = 0;
    const bool number = ParseInteger(text, value);
    // Digits beyond 32 bits are still a number the user meant, only far too
    // large: they are cut like any other, not left to fail on OK.
    if ((number && value > limit) || (!number && AllDigits(text)))
        return QString::number(limit);
    return text;
}

TResultTexts ShownFieldTexts(const THeatResultChoice::TEntry& entry, int32_t sectionsPerLap)
{
    // A stored time is unsigned where it is kept; read it back the same way.
    const TRaceTimeParts time = SplitRaceTime(uint32_t(entry.Time));
    TResultTexts texts{QString::number(time.Minutes), QString::number(time.Seconds), QString::number(time.Milliseconds),
                       QString::number(LapsOf(entry.Laps)), QString::number(SectionsOf(entry.Laps))};
    for (int i = 0; i < ResultFieldCount; ++i)
        texts[size_t(i)] = LimitedFieldText(texts[size_t(i)], ResultFieldLimit(TResultField(i), sectionsPerLap));
    return texts;
}

TResultLineValues ReadResultLine(const TResultTexts& texts, int32_t sectionsPerLap)
{
    TResultLineValues result;
    std::array<int32_t, ResultFieldCount> values{};
    for (int i = 0; i < ResultFieldCount; ++i) {
        const QString& text = texts[size_t(i)];
        int32_t value = 0;
        // A Timed false start can leave a lap value below zero; it is shown
        // as stored and kept. A time has no such thing.
        const bool mayBeNegative = TResultField(i) == TResultField::Laps || TResultField(i) == TResultField::Sections;
        if (!text.isEmpty() && (!ParseInteger(text, value) || (value < 0 && !mayBeNegative))) {
            result.BadField = TResultField(i);
            return result;
        }
        const int32_t limit = ResultFieldLimit(TResultField(i), sectionsPerLap);
        values[size_t(i)] = std::clamp(value, -limit, limit);
    }
    const auto at = [&](TResultField field) { return values[size_t(field)]; };
    result.Valid = true;
    result.Time = at(TResultField::Minutes) * 60000 + at(TResultField::Seconds) * 1000 + at(TResultField::Milliseconds);
    result.Laps = MakeLapValue(at(TResultField::Laps), at(TResultField::Sections));
    return result;
}
