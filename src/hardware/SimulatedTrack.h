#pragma once

#include "hardware/zlportio.h"

#include <array>
#include <cstdint>
#include <limits>
#include <random>

class TRaceClock;
struct TSettings;
struct TSensorMasks;

// How the virtual cars and their drivers behave. The defaults make a club
// race that the race engine's default settings handle: every lap is well
// above the 5 s minimum lap time.
struct TSimulatedTrackConfig {
    static constexpr int CarCount = 4;

    std::array<int64_t, CarCount> BaseLapUs{6'200'000, 6'600'000, 7'000'000, 7'400'000};
    int32_t SpreadPermille = 30;  // each lap is the base lap time ± up to this, drawn per lap
    // How long the sensor sees a car passing at full speed: a 1:32 car of
    // some 14 cm at 4 m/s shades a light barrier for about 35 ms.
    int64_t PulseUs = 30'000;
    int32_t GridPermille = 40;           // the grid spot, this part of a base lap behind the line
    int64_t CoastUs = 300'000;           // after the power goes off a car rolls on this long...
    int32_t CoastSpeedPermille = 500;    // ...at this part of its speed, then stands
    int64_t GridHoldUs = 7'000'000;      // how long a driver on the grid waits for green
    int64_t ReactionMinUs = 100'000;     // a driver leaves this long after green...
    int64_t ReactionMaxUs = 300'000;     // ...up to this long (uniform)
    double JumpStartProbability = 0.1;   // per car and start from the grid
    int64_t JumpEarliestUs = 1'500'000;  // a jumper leaves this long after its power came on...
    int64_t JumpLatestUs = 5'500'000;    // ...up to this long, so it crosses before green
};

enum class TCarPhase { Stopped, Holding, Driving, Coasting };

// A virtual four-lane track behind the port-driver interface. Writes are taken
// as the data register (power lines 1..4, start lights 5..8) and reads answer
// the status register with the sensor bits of the cars. The address is
// ignored on purpose, so that the simulator works with whatever port address
// is configured.
//
// Car n moves while its power is on: line n with "Output Multiple Power
// Signals", otherwise line 1 for every car. A start from the grid (power on
// while the green line 8 is off) waits for green, then goes after a short
// reaction time; without green it goes after the grid hold. Power that comes
// on while green is lit (the restart after a pause) sends the car off at once.
//
// The simulation is lazy and exact: each port access first moves every car
// from where it was to the clock's present time, placing each pass of the line
// at its exact microsecond; a power change takes effect at the moment of the
// write. A read therefore sees a sensor pulse exactly when real hardware
// would, and misses one that begins and ends between two reads. Each car draws
// from a random source of its own, so a given seed gives the same race however
// often the track is read.
//
// Used by one thread at a time (the timing thread during a race, the UI thread
// otherwise), like the real port. Reads and writes allocate nothing.
class TSimulatedTrack final : public TPortDriver {
public:
    static constexpr int CarCount = TSimulatedTrackConfig::CarCount;
    static constexpr int64_t NoCrossing = std::numeric_limits<int64_t>::min();

    TSimulatedTrack(TRaceClock& clock, const TSettings& settings, const TSensorMasks& masks, uint32_t seed,
                    const TSimulatedTrackConfig& config = TSimulatedTrackConfig());

    bool Open() override;
    void Close() override;
    bool ReadPort(uint32_t address, TPortSize size, uint32_t& value) override;
    void WritePort(uint32_t address, TPortSize size, uint32_t value) override;
    QString Description() const override;

    // For tests and benchmarks. Cars are numbered 1..4 like the tracks; the
    // values are those of the last port access (reads and writes bring the
    // cars up to the clock's time, these accessors do not).
    const TSimulatedTrackConfig& Config() const { return m_config; }
    TCarPhase Phase(int car) const;
    // Passes of the line since the car was last put on the grid.
    int64_t Crossings(int car) const;
    // Whole laps driven since the grid: the run from the grid to the line is
    // not a lap, every pass after the first ends one.
    int64_t LapsCompleted(int car) const;
    // Exact time (clock microseconds) of the last pass, NoCrossing before one.
    int64_t LastCrossingUs(int car) const;
    // Distance to the line, as time at full speed.
    int64_t DistanceToLineUs(int car) const;
    uint8_t OutputImage() const { return m_image; }

private:
    struct TCar {
        std::mt19937 Random;
        TCarPhase Phase = TCarPhase::Stopped;
        bool Powered = false;
        int64_t TimeUs = 0;      // the car has been moved up to this time
        int64_t DepartUs = 0;    // Holding: when it drives off
        int64_t CoastEndUs = 0;  // Coasting: when it stands
        int64_t ReactionUs = 0;  // drawn when the power came on, used at green
        int64_t ToLine = 0;      // distance units left to the line
        int64_t SinceLine = 0;   // distance units since the last pass (capped)
        int64_t Crossings = 0;
        int64_t LastCrossingUs = NoCrossing;
    };

    const TCar* CarAt(int car) const;
    void AdvanceTo(int64_t nowUs);
    void AdvanceCar(TCar& car, int index, int64_t toUs);
    void Move(TCar& car, int index, int64_t endUs, int64_t rate);
    int64_t NextLapLength(TCar& car, int index);
    void PlaceOnGrid(TCar& car, int index);
    void PowerOn(TCar& car, int index, int64_t nowUs, bool green);
    void PowerOff(TCar& car, int64_t nowUs);
    bool PoweredBy(int index, uint8_t image) const;
    uint8_t StatusByte() const;

    TRaceClock& m_clock;
    const TSettings& m_settings;
    const TSensorMasks& m_masks;
    TSimulatedTrackConfig m_config;
    std::array<TCar, CarCount> m_cars;
    uint8_t m_image = 0;
    int64_t m_nowUs = 0;  // time of the last port access; never goes back
};
