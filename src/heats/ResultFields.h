#pragma once

#include "heats/HeatChoices.h"

#include <QString>
#include <array>
#include <cstdint>

// The five input fields of one track line of the heat result dialog, and the
// rules that turn a stored result into their texts and their texts back into
// a result. Kept apart from the widgets so the rules can be checked alone.

enum class TResultField { Minutes, Seconds, Milliseconds, Laps, Sections };
inline constexpr int ResultFieldCount = 5;

// The texts of one line, indexed by TResultField.
using TResultTexts = std::array<QString, ResultFieldCount>;

// The largest value a field takes. Sections stop one short of a whole lap,
// at sectionsPerLap - 1, and at 0 when sections are off.
int32_t ResultFieldLimit(TResultField field, int32_t sectionsPerLap);

// A field's text once its limit is applied: a number above the limit
// becomes the limit in decimal, also a run of digits too long for 32 bits
// (pasted). An empty text, a number within the limit and a text that is no
// number at all are left as they are; the last is refused on OK instead.
QString LimitedFieldText(const QString& text, int32_t limit);

// The texts a line shows for a stored result: minutes, seconds, ms of the
// race time and laps, sections of the lap value, decimal, each cut to its
// limit. A did-not-finish time (999999999 ms) shows as 999, 39, 999.
TResultTexts ShownFieldTexts(const THeatResultChoice::TEntry& entry, int32_t sectionsPerLap);

// What OK makes of a line's texts. An empty text counts as 0. A text that is
// not a whole number that fits in 32 bits, or a time part below 0, makes the
// line fail: the entry is not to be changed and the user is to correct
// BadField. Laps and sections below zero (a Timed false start) are kept.
struct TResultLineValues {
    bool Valid = false;
    TResultField BadField = TResultField::Minutes;  // where Valid is false
    int32_t Time = 0;                               // ms
    int32_t Laps = 0;                               // lap value
};
// Values above a field's limit are cut to it here too, so no text can give a
// time above 999:59.999 or more than 9999 laps.
TResultLineValues ReadResultLine(const TResultTexts& texts, int32_t sectionsPerLap);
