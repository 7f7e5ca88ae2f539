#include "heats/HeatChoices.h"

bool ResolveTrackChoice(THeatTrackChoice& choice, const std::array<QString, 4>& names,
                        const QHash<QString, int32_t>& drivers, int tracks)
{
    bool any = false;
    for (size_t i = 0; i < 4; ++i) {
        if (!choice.Used[i])
            continue;
        const auto driver = drivers.constFind(names[i]);
        if (int(i) >= tracks || names[i].isEmpty() || driver == drivers.constEnd()) {
            choice.Used[i] = false;
            continue;
        }
        choice.DRVnr[i] = *driver;
        any = true;
    }
    return any;
}
