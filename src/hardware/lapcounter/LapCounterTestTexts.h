#pragma once

#include <QString>
#include <cstdint>

// What the I/O test page shows of a lap counter, in words. The page only
// copies the port's state in and these texts out, so that what a club reads
// while it checks its counter is settled here.
namespace LapCounterTestTexts {

// The counter's device or address, and whether it answers now:
// "/dev/ttyUSB0", "192.168.1.50:5000, not answering".
QString CounterText(const QString& where, bool connected);
// How many messages were dropped as damaged: "none", "1 message",
// "12 messages".
QString DroppedText(uint32_t dropped);
// The first lane outside 1..4 the counter sent, said once as ignored; empty
// while there was none (0).
QString StrayLaneText(uint32_t lane);
// What the boxes for the power and the start lights switch.
QString OutputsText(bool hasOutputs);

}  // namespace LapCounterTestTexts
