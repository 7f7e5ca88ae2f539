#include "hardware/lapcounter/LapCounterTestTexts.h"

namespace LapCounterTestTexts {

QString CounterText(const QString& where, bool connected)
{
    return connected ? where : QStringLiteral("%1, not answering").arg(where);
}

QString DroppedText(uint32_t dropped)
{
    if (dropped == 0)
        return QStringLiteral("none");
    return dropped == 1 ? QStringLiteral("1 message") : QStringLiteral("%1 messages").arg(dropped);
}

QString StrayLaneText(uint32_t lane)
{
    if (lane == 0)
        return {};
    return QStringLiteral("Lane %1 sent by the counter is ignored: only lanes 1 to 4 count.").arg(lane);
}

QString OutputsText(bool hasOutputs)
{
    return hasOutputs ? QStringLiteral("switched by the boxes above")
                      : QStringLiteral("none: the boxes above switch nothing");
}

}  // namespace LapCounterTestTexts
