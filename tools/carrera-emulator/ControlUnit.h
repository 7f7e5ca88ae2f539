#pragma once

#include "hardware/carrera/CarreraProtocol.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

// What the emulated unit is told at start.
struct TControlUnitOptions {
    QByteArray Version = "5337";  // four characters
    uint32_t ClockStartMs = 0;    // the CU's clock when the emulator starts
    int64_t StepMs = 1000;        // how long each countdown lamp stays
    bool LongStatus = false;      // the two extra status bytes of recent units
};

// A Carrera Control Unit as the PC sees it over the wire: its clock, its start
// lights, scripted cars that cross the line on time, fuel, the pit lane and
// the position tower. Time is the emulator's own, in ms since it started,
// handed in by the caller, so everything happens in the order of that time
// whatever the moment the caller gets round to it: a crossing carries the
// time it was scripted for, not the time the loop noticed it.
class TControlUnit {
public:
    using TLog = std::function<void(const QByteArray&)>;

    TControlUnit(TControlUnitOptions options, TLog log);

    // Runs everything that is due up to `nowMs`, in the order it happens.
    void AdvanceTo(int64_t nowMs);

    // The answer to one request (the message between '"' and '$'), ending in
    // '$'; empty while the line is silent.
    QByteArray Answer(const QByteArray& message, int64_t nowMs);
    bool SilentAt(int64_t nowMs) const { return nowMs < m_silentUntil; }

    // A button of the unit, pressed by the PC or by hand.
    void Press(int button, int64_t nowMs);

    // A car that crosses the line after each of `lapMs` in turn, round and
    // round, counted in racing time from now (or from the green); an empty
    // list takes the car off the track.
    void SetCar(int address, std::vector<int64_t> lapMs, int64_t nowMs);
    // The car crosses the line during the next countdown.
    void MarkJumpStart(int address) { m_jumpMask |= uint8_t(1u << (address - 1)); }
    void SetFuelMode(bool on) { SetModeBit(FuelModeBit, on); }
    void SetPitAdapter(bool on) { SetModeBit(PitAdapterBit, on); }
    void SetTower(bool on) { SetModeBit(TowerBit, on); }
    void SetFuel(int address, int level) { m_fuel[size_t(address - 1)] = uint8_t(level); }
    void PitStop(int address, int64_t durationMs, int64_t nowMs);
    void RepeatNextEvent() { m_repeatNext = true; }
    void CorruptNextAnswer() { m_corruptNext = true; }
    // The next answer that tells a crossing comes this much late, after the
    // PC has given up waiting for it.
    void HoldNextEvent(int64_t ms) { m_holdNextEventMs = ms; }
    // How long `answer` is to be held back (0: not at all).
    int64_t TakeHold(const QByteArray& answer)
    {
        if (m_holdNextEventMs <= 0 || !answer.startsWith('?') || answer.startsWith("?:"))
            return 0;
        const int64_t hold = m_holdNextEventMs;
        m_holdNextEventMs = 0;
        return hold;
    }
    void Silence(int64_t durationMs, int64_t nowMs) { m_silentUntil = nowMs + durationMs; }

private:
    enum class TPhase { Idle, Armed, Countdown, Racing, Stopped, JumpStart };
    static constexpr uint8_t FuelModeBit = 1;
    static constexpr uint8_t PitAdapterBit = 4;
    static constexpr uint8_t TowerBit = 8;
    static constexpr size_t QueueSize = 64;
    static constexpr uint8_t FullTank = 15;
    static constexpr int Addresses = 8;

    struct TCar {
        std::vector<int64_t> LapMs;  // empty: not on the track
        size_t Next = 0;             // the entry of LapMs being driven
        int64_t NextCrossing = 0;    // in racing time
    };

    // The next thing due, at or before `limitMs`; false when there is none.
    bool RunNextDue(int64_t limitMs);
    void StepCountdown(int64_t atMs);
    void Cross(int address, int64_t atMs);
    void Queue(const CarreraProtocol::TTimerEvent& event);
    void SetLight(uint8_t light, int64_t atMs);
    void SetModeBit(uint8_t bit, bool on) { m_mode = on ? uint8_t(m_mode | bit) : uint8_t(m_mode & ~bit); }

    uint32_t CuMs(int64_t atMs) const { return uint32_t(uint64_t(atMs + m_clockOffset)); }
    int64_t RacingTimeAt(int64_t atMs) const;
    // When a car's next crossing is due on the emulator's clock.
    int64_t CrossingDue(const TCar& car) const { return m_greenAt + car.NextCrossing - m_racingBefore; }

    QByteArray Poll();
    QByteArray StatusAnswer() const;
    QByteArray WithChecksum(QByteArray answer);
    void Received(const QByteArray& message, int64_t nowMs);
    void Log(const QByteArray& line) { m_log(line); }

    TControlUnitOptions m_options;
    TLog m_log;
    int64_t m_clockOffset = 0;  // CU ms = emulator ms + this, modulo 2^32

    TPhase m_phase = TPhase::Idle;
    uint8_t m_light = 0;
    int64_t m_countdownFrom = 0;
    int m_lampsLit = 0;
    int64_t m_greenAt = 0;       // the last green, emulator ms
    int64_t m_racingBefore = 0;  // racing time run before it
    uint8_t m_jumpMask = 0;

    std::array<TCar, Addresses> m_cars;
    std::array<uint8_t, Addresses> m_fuel;
    std::array<int64_t, Addresses> m_pitUntil{};
    uint8_t m_pitMask = 0;
    uint8_t m_mode = 0;

    std::deque<CarreraProtocol::TTimerEvent> m_events;
    bool m_repeatNext = false;
    bool m_corruptNext = false;
    int64_t m_holdNextEventMs = 0;
    int64_t m_silentUntil = 0;
};
