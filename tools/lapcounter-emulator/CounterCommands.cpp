#include "CounterCommands.h"

#include <QList>
#include <string>
#include <vector>

namespace CounterCommands {
namespace {

// Longer than any test or demo runs: a bound that keeps the sums far from overflow.
constexpr int64_t Day = 24 * 3600 * 1000;

bool ReadNumber(const QByteArray& text, int64_t low, int64_t high, int64_t& value)
{
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value >= low && value <= high;
}

}  // namespace

QByteArray Apply(TTargets targets, const QByteArray& command, int64_t nowMs)
{
    const QList<QByteArray> words = command.split(' ');
    const QByteArray& name = words[0];
    const qsizetype count = words.size();
    int64_t lane = 0;
    int64_t value = 0;
    const bool hasLane = count >= 2 && ReadNumber(words[1], 1, TLapCounter::MaxLane, lane);

    if (name == "car" && hasLane && count >= 3) {
        std::vector<int64_t> laps;
        if (!(count == 3 && words[2] == "off")) {
            for (qsizetype i = 2; i < count; ++i) {
                if (!ReadNumber(words[i], 1, Day, value))
                    return "a lap time is a number of ms from 1 up";
                laps.push_back(value);
            }
        }
        targets.Counter.SetCar(int(lane), std::move(laps), nowMs);
        return {};
    }
    if (name == "cross" && hasLane && count == 2) {
        targets.Counter.Cross(int(lane), nowMs);
        return {};
    }
    if (name == "raw" && count >= 2) {
        QByteArray bytes;
        if (!CounterWire::Unescape(command.mid(4), bytes))
            return "an escape is \\x and two hex digits";
        targets.Wire.Send({bytes, nowMs, {}, {}});
        return {};
    }
    if (name == "split" && count == 2 && ReadNumber(words[1], 0, Day, value)) {
        targets.Wire.SplitNext(value);
        return {};
    }
    if (name == "silence" && count == 2 && ReadNumber(words[1], 0, Day, value)) {
        targets.Counter.Silence(value, nowMs);
        return {};
    }
    if (name == "close" && count == 1) {
        // Whatever was still to go is lost with the connection.
        targets.Wire.Drop();
        std::string error;
        if (!targets.Link.HangUp(error))
            return QByteArray::fromStdString(error);
        return {};
    }
    if ((name == "car" || name == "cross") && !hasLane)
        return "a lane is a number from 1 to 255";
    return "unknown command or arguments";
}

bool ParseTimed(const QByteArray& line, int64_t& atMs, QByteArray& command)
{
    const QByteArray simple = line.simplified();
    if (!simple.startsWith("at "))
        return false;
    const qsizetype space = simple.indexOf(' ', 3);
    if (space < 0 || !ReadNumber(simple.mid(3, space - 3), 0, Day, atMs))
        return false;
    command = simple.mid(space + 1);
    return true;
}

bool IsCommand(const QByteArray& line)
{
    const QByteArray simple = line.simplified();
    return !simple.isEmpty() && !simple.startsWith('#');
}

}  // namespace CounterCommands
