#pragma once

// A race on the simulated track and the real clock, for the race-loop
// benchmarks: the engine runs on the benchmark's own thread, its host only
// notes the moments that matter, and every sensor read passes a port that
// counts it and hands the simulator's exact crossing times to a watcher.
#include "common/LapValue.h"
#include "common/MaskFile.h"
#include "common/RaceClock.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
#include "hardware/SimulatedTrack.h"
#include "timing/RaceDisplay.h"
#include "timing/RaceEngine.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

// Forwards to the simulator; after each read calls the watcher, which may
// look at the simulator's cars (no allocation there: it runs on the hot path).
class TWatchedPort final : public TPortDriver {
public:
    explicit TWatchedPort(TSimulatedTrack& track) : m_track(track) {}
    bool Open() override { return m_track.Open(); }
    void Close() override { m_track.Close(); }
    bool ReadPort(uint32_t address, TPortSize size, uint32_t& value) override
    {
        const bool read = m_track.ReadPort(address, size, value);
        ++Reads;
        if (Watcher)
            Watcher();
        return read;
    }
    void WritePort(uint32_t address, TPortSize size, uint32_t value) override
    {
        m_track.WritePort(address, size, value);
    }
    QString Description() const override { return m_track.Description(); }

    int64_t Reads = 0;
    std::function<void()> Watcher;

private:
    TSimulatedTrack& m_track;
};

// Does in place what the timer window would do on the UI thread: the display
// computation at each refresh (so the loop pays for what it triggers), and
// notes green and the end.
class TBenchHost final : public TRaceHost {
public:
    TBenchHost(TRaceState& state, TTrackStates& tracks, const TSettings& settings, const TWatchedPort& port)
        : m_state(state), m_tracks(tracks), m_settings(settings), m_port(port)
    {
    }
    void ShowStartLights() override {}
    void SetStartLamp(int, bool) override {}
    void HideStartLights() override {}
    void RefreshDisplay() override
    {
        if (Display)
            ::RefreshDisplay(m_state, m_tracks, m_settings);
    }
    void ShowFalseStartLamps() override
    {
        if (AllocationCounter)
            GreenAllocations = AllocationCounter->load();
        GreenReads = m_port.Reads;
        GreenTime = std::chrono::steady_clock::now();
    }
    void DisablePause() override
    {
        if (AllocationCounter)
            EndAllocations = AllocationCounter->load();
        EndReads = m_port.Reads;
        EndTime = std::chrono::steady_clock::now();
    }
    void PlaySound(TRaceSound) override {}
    void WaitForRelease() override {}

    bool Display = true;
    const std::atomic<int64_t>* AllocationCounter = nullptr;
    int64_t GreenAllocations = 0;
    int64_t EndAllocations = 0;
    int64_t GreenReads = 0;
    int64_t EndReads = 0;
    std::chrono::steady_clock::time_point GreenTime;
    std::chrono::steady_clock::time_point EndTime;

    double PollsPerSecond() const
    {
        const double seconds = std::chrono::duration<double>(EndTime - GreenTime).count();
        return seconds > 0 ? double(EndReads - GreenReads) / seconds : 0.0;
    }

private:
    TRaceState& m_state;
    TTrackStates& m_tracks;
    const TSettings& m_settings;
    const TWatchedPort& m_port;
};

// Short laps without jump starts, so that a few seconds of racing count many
// laps and every car leaves at green.
inline TSimulatedTrackConfig ShortLapConfig(const std::array<int64_t, TSimulatedTrackConfig::CarCount>& baseLapUs,
                                            int64_t pulseUs)
{
    TSimulatedTrackConfig config;
    config.BaseLapUs = baseLapUs;
    config.PulseUs = pulseUs;
    config.JumpStartProbability = 0;
    return config;
}

struct TRaceRig {
    TSteadyPerfCounter counter;
    TSystemClock clock{counter};
    TSettings settings;
    TSensorMasks masks;
    std::unique_ptr<TSimulatedTrack> track;
    std::unique_ptr<TWatchedPort> port;
    std::unique_ptr<TTrackIo> io;
    TRaceState state;
    std::unique_ptr<TTrackStates> tracks = std::make_unique<TTrackStates>();
    std::unique_ptr<TBenchHost> host;
    std::unique_ptr<TRaceEngine> engine;

    explicit TRaceRig(const TSimulatedTrackConfig& config = TSimulatedTrackConfig(), int activeTracks = 4)
    {
        settings.SustainSensorReadMs = 0;
        track = std::make_unique<TSimulatedTrack>(clock, settings, masks, 7u, config);
        port = std::make_unique<TWatchedPort>(*track);
        port->Open();
        io = std::make_unique<TTrackIo>(*port, settings, masks);
        for (int n = 0; n < 4; ++n) {
            (*tracks)[size_t(n)].Active = n < activeTracks;
            (*tracks)[size_t(n)].DriverName = QStringLiteral("Driver %1").arg(n + 1);
        }
        host = std::make_unique<TBenchHost>(state, *tracks, settings, *port);
        engine = std::make_unique<TRaceEngine>(clock, *io, settings, state, *tracks, *host);
    }

    void Run(TRaceKind kind, int32_t length)
    {
        state.RaceKind = kind;
        state.RaceLength = length;
        state.RaceEnded.store(false);
        engine->Run();
    }
};

// For one car: the simulator's crossing times, and which crossing each lap
// the engine counted belongs to. Filled after every port read on the timing
// thread, so everything is sized beforehand and nothing here allocates.
struct TCrossingLog {
    explicit TCrossingLog(int maxLaps)
        : crossingUs(size_t(maxLaps) * 2 + 16, TSimulatedTrack::NoCrossing), crossingOfLap(size_t(maxLaps) + 2, -1)
    {
    }

    std::vector<int64_t> crossingUs;
    std::vector<int64_t> crossingOfLap;  // -1: not counted yet
    int64_t seenCrossings = 0;
    int32_t seenLaps = 0;

    void Watch(const TTrackState& track, const TSimulatedTrack& sim, int car)
    {
        // The watcher runs inside a read, before the engine has seen it: a lap
        // counted since the last watch was counted from the previous read, and
        // belongs to the crossings seen up to that read.
        const int32_t laps = LapsOf(track.Laps);
        for (int32_t lap = seenLaps + 1; lap <= laps && lap < int32_t(crossingOfLap.size()); ++lap)
            crossingOfLap[size_t(lap)] = seenCrossings;
        seenLaps = std::max(seenLaps, laps);
        const int64_t crossings = sim.Crossings(car);
        if (crossings != seenCrossings && crossings < int64_t(crossingUs.size()))
            crossingUs[size_t(crossings)] = sim.LastCrossingUs(car);
        seenCrossings = crossings;
    }

    // The error of each timed lap against the simulator's crossings, in ms,
    // and the crossings the engine missed. Lap 1 runs from green; the last
    // lap's crossing is seen at the read after it, so both are left out.
    void AppendLapErrors(const TTrackState& track, std::vector<double>& errors, int64_t& missed) const
    {
        for (int lap = 2; lap < seenLaps && lap < int(crossingOfLap.size()); ++lap) {
            const int64_t from = crossingOfLap[size_t(lap - 1)];
            const int64_t to = crossingOfLap[size_t(lap)];
            missed += std::max<int64_t>(to - from - 1, 0);
            const int64_t fromUs = crossingUs[size_t(from)];
            const int64_t toUs = crossingUs[size_t(to)];
            if (fromUs == TSimulatedTrack::NoCrossing || toUs == TSimulatedTrack::NoCrossing)
                continue;
            errors.push_back(std::fabs(double(track.LapTimes[size_t(lap)]) - double(toUs - fromUs) / 1000.0));
        }
    }

    // The true instant of the crossing that ended lap, NoCrossing if unknown.
    int64_t LapEndUs(int lap) const
    {
        if (lap < 1 || lap >= int(crossingOfLap.size()) || crossingOfLap[size_t(lap)] < 0)
            return TSimulatedTrack::NoCrossing;
        return crossingUs[size_t(crossingOfLap[size_t(lap)])];
    }
};
