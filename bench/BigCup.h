#pragma once

#include "common/MaskFile.h"
#include "common/Settings.h"
#include "data/KWLStore.h"
#include "data/RecordActions.h"

#include <QStringList>

// The start of the benchmarks' large championship: default settings in
// `folder`, its store opened, 100 drivers ("Driver 000" ...) and the
// championship "Big Cup" (CSnr 1). The caller adds the races and heats.
inline void OpenBigCup(const QString& folder, TKWLStore& store)
{
    TSettings settings;
    TSensorMasks masks;
    WriteSettings(settings, masks, folder);
    store.Open(folder);
    TRecordActions actions(store.Database());
    QStringList names;
    for (int i = 0; i < 100; ++i)
        names << QStringLiteral("Driver %1").arg(i, 3, 10, QLatin1Char('0'));
    actions.AddDrivers(names);
    actions.AddChampionship(QStringLiteral("Big Cup"), 20, 40, false);
}
