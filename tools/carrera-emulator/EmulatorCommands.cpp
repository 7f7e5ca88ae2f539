#include "EmulatorCommands.h"

#include <QList>
#include <cstdint>
#include <vector>

namespace EmulatorCommands {
namespace {

constexpr int Addresses = 8;
constexpr int FullTank = 15;
// Longer than any test or demo runs: a bound that keeps the sums far from overflow.
constexpr int64_t Day = 24 * 3600 * 1000;

bool ReadNumber(const QByteArray& text, int64_t low, int64_t high, int64_t& value)
{
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value >= low && value <= high;
}

bool ReadSwitch(const QByteArray& text, bool& on)
{
    on = text == "on";
    return on || text == "off";
}

}  // namespace

QByteArray Apply(TControlUnit& unit, const QByteArray& command, int64_t nowMs)
{
    const QList<QByteArray> words = command.simplified().split(' ');
    const QByteArray& name = words[0];
    const qsizetype count = words.size();
    int64_t address = 0;
    int64_t value = 0;
    bool on = false;
    const bool hasAddress = count >= 2 && ReadNumber(words[1], 1, Addresses, address);

    if (name == "car" && hasAddress && count >= 3) {
        std::vector<int64_t> laps;
        if (!(count == 3 && words[2] == "off")) {
            for (qsizetype i = 2; i < count; ++i) {
                if (!ReadNumber(words[i], 1, Day, value))
                    return "a lap time is a number of ms from 1 up";
                laps.push_back(value);
            }
        }
        unit.SetCar(int(address), std::move(laps), nowMs);
        return {};
    }
    if (name == "jump" && hasAddress && count == 2) {
        unit.MarkJumpStart(int(address));
        return {};
    }
    if (name == "fuel" && hasAddress && count == 3 && ReadNumber(words[2], 0, FullTank, value)) {
        unit.SetFuel(int(address), int(value));
        return {};
    }
    if (name == "pit" && hasAddress && count == 3 && ReadNumber(words[2], 0, Day, value)) {
        unit.PitStop(int(address), value, nowMs);
        return {};
    }
    if (name == "press" && count == 2 && ReadNumber(words[1], 1, 15, value)) {
        unit.Press(int(value), nowMs);
        return {};
    }
    if (name == "silence" && count == 2 && ReadNumber(words[1], 0, Day, value)) {
        unit.Silence(value, nowMs);
        return {};
    }
    if (count == 2 && ReadSwitch(words[1], on) && (name == "fuelmode" || name == "pitadapter" || name == "tower")) {
        if (name == "fuelmode")
            unit.SetFuelMode(on);
        else if (name == "pitadapter")
            unit.SetPitAdapter(on);
        else
            unit.SetTower(on);
        return {};
    }
    if (name == "late" && count == 2 && ReadNumber(words[1], 0, Day, value)) {
        unit.HoldNextEvent(value);
        return {};
    }
    if (name == "repeat" && count == 1) {
        unit.RepeatNextEvent();
        return {};
    }
    if (name == "corrupt" && count == 1) {
        unit.CorruptNextAnswer();
        return {};
    }
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

}  // namespace EmulatorCommands
