#include "results/LaneFairness.h"

TLaneReport ComputeLaneReport(const std::vector<TLaneLap>&, uint32_t, int, uint32_t) { return {}; }
QString LaneOffsetText(const TLaneOffset&) { return {}; }
QString LaneReadingText() { return {}; }
QString LaneMissingTracksText() { return {}; }
bool ReadLaneLaps(QSqlDatabase, int, uint32_t, std::vector<TLaneLap>&, QString&) { return true; }
