#pragma once

#include <cstdint>

// A track interface that takes the time of each sensor change itself (the
// USB lap-sensor board). The race engine then times laps on the board's
// clock instead of its own polls, so the PC's load cannot change a lap.
//
// Everything here is lock-free and allocation-free: the race engine calls it
// in its poll loop.
class TBoardTimestamps {
public:
    struct TArrival {
        int Sensor = 0;       // 1..4
        uint32_t Epoch = 0;   // the board's clock restarts with every connection
        int64_t BoardUs = 0;  // board time of the car's arrival at the sensor
    };

    virtual ~TBoardTimestamps() = default;

    // The oldest arrival not yet taken; false when there is none.
    virtual bool TakeArrival(TArrival& arrival) = 0;
    // Throws away every arrival not yet taken (a race starts afresh).
    virtual void DiscardArrivals() = 0;
    // How many output writes the port has had: the number of the last one.
    virtual uint32_t WriteCount() const = 0;
    // When output write number `write` (or a later one) was applied on the
    // board; false while it has not been.
    virtual bool AppliedAt(uint32_t write, uint32_t& epoch, int64_t& boardUs) const = 0;

    // For an interface that must be told when laps are wanted (a lap
    // counter): StartCounting before a race's countdown (or the I/O test)
    // turns its detections on and its clock to zero, AtGreen sets its clock
    // to zero again at the green, StopCounting turns the detections off once
    // the race stands. An interface with a clock of its own ignores them.
    // AtGreen comes before the green's WriteCount(), so that AppliedAt for
    // it waits for the clock's zero.
    virtual void StartCounting() {}
    virtual void AtGreen() {}
    virtual void StopCounting() {}
};
