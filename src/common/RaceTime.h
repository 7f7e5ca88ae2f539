#pragma once

#include <QString>
#include <cstdint>

// Race times are whole milliseconds, unsigned 32-bit where stored.

struct TRaceTimeParts {
    uint32_t Minutes = 0;
    uint32_t Seconds = 0;       // 0..59
    uint32_t Milliseconds = 0;  // 0..999
};

// minutes = ms div 60000, seconds = (ms mod 60000) div 1000, milliseconds = ms mod 1000.
TRaceTimeParts SplitRaceTime(uint32_t ms);

// With minutes "1:05.432" (minutes not zero-filled; from 1000 minutes on the
// fixed text "999:99.999"); without minutes "05.432" (from one minute on the
// fixed text "99.999"). Precision 3 keeps thousandths, 2 hundredths, 1 tenths,
// 0 whole seconds; it cuts the fixed texts the same way. A precision outside
// 0..3 is taken as the nearest of them.
QString FormatRaceTime(uint32_t ms, int precision, bool withMinutes);
