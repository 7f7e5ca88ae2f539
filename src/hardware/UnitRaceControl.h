#pragma once

#include <array>
#include <cstdint>

// A track interface whose control unit runs the start lights and the track
// power itself (the Carrera Control Unit). The race engine does not switch
// lines on its own timetable there: it asks the unit to start or to stop the
// race and follows the unit's lamps. The unit's clock times the laps, through
// the board timestamps the same interface offers.
//
// Everything here is lock-free and allocation-free: the race engine calls it
// in its poll loop, the race window from the UI thread.
class TUnitRaceControl {
public:
    static constexpr int NoFuel = -1;

    struct TLamps {
        uint8_t Lit = 0;        // 0..5 red lamps of the countdown
        bool Armed = false;     // all red: ready for the countdown
        bool Flashing = false;  // the unit saw a jump start
    };
    // A moment on the unit's clock, as the connection numbered Epoch knew it.
    struct TMark {
        uint32_t Count = 0;  // how many such moments since the port opened
        uint32_t Epoch = 0;
        int64_t UnitUs = 0;
    };

    virtual ~TUnitRaceControl() = default;

    // Runs the unit's start sequence (arm, count down, green). The unit's
    // clock may be set to zero before the countdown: times taken before a
    // start are never set against times after its green.
    virtual void RequestStart() = 0;
    // Stops the race on the unit: the power goes off for every car.
    virtual void RequestStop() = 0;
    virtual TLamps Lamps() const = 0;
    // The last green (lamps out after the countdown) and the last stop.
    virtual TMark LastGreen() const = 0;
    virtual TMark LastStop() const = 0;

    // Fuel of the car on track 1..4 (0..15), NoFuel while the unit reports
    // none (fuel mode off).
    virtual int Fuel(int track) const = 0;
    // Times the car on track 1..4 entered the pit lane since the port opened;
    // false when the unit has no pit-lane adapter.
    virtual bool PitEntries(int track, uint32_t& entries) const = 0;
    // The position tower, where one is connected: placeOfTrack[n] is track
    // n+1's place (1..4, 0: not racing), and the leader's laps.
    virtual void ShowPositions(const std::array<uint8_t, 4>& placeOfTrack, int leaderLaps) = 0;
};
