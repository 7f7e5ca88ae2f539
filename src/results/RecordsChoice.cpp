#include "results/RecordsChoice.h"

uint32_t ReadMinimumLapMs(const QString&) { return DefaultMinimumLapMs; }
bool WriteMinimumLapMs(const QString&, uint32_t) { return true; }
