#include "app/SingleRacePlan.h"

#include "common/IntegerText.h"

#include <limits>

TSingleRacePlan PlanSingleRace(const QString& raceType, const QString& lengthText)
{
    TSingleRacePlan plan;
    plan.raceType = raceType;
    int32_t length = 0;
    if (!ParseInteger(lengthText, length)) {
        plan.error = ConversionErrorText(lengthText);
        return plan;
    }
    if (raceType == QLatin1String("Lap")) {
        plan.raceLength = length;
    } else {
        // Minutes to seconds; a length whose seconds do not fit is refused like
        // any other number that cannot be taken, rather than wrapping into a
        // short (or negative) race.
        if (length > std::numeric_limits<int32_t>::max() / 60 || length < std::numeric_limits<int32_t>::min() / 60) {
            plan.error = ConversionErrorText(lengthText);
            return plan;
        }
        plan.raceLength = length * 60;
    }
    plan.ok = true;
    return plan;
}
