#include "results/LiveRecords.h"

QString RecordMarkText(TRecordMark) { return {}; }

std::optional<TLapsToBeat> ReadLapsToBeat(QSqlDatabase, int, int, int, const std::array<int32_t, 4>&, uint32_t,
                                          QString&)
{
    return TLapsToBeat{};
}

void TRecordWatch::Start(const TLapsToBeat& toBeat) { m_toBeat = toBeat; }

std::array<TRecordWatch::TFall, 4> TRecordWatch::Look(const TTrackStates&, int32_t) { return {}; }
