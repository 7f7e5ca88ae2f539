#pragma once

#include "app/AppContext.h"
#include "app/AppWindows.h"
#include "app/KWLMainForm.h"
#include "common/RaceClock.h"
#include "hardware/SimulatedTrack.h"
#include "support/TestSupport.h"

// A counter that answers at once: the clock check's 100 ms sleep is not
// waited for, and the counter can be made to stand still.
class TTestPerfCounter final : public TPerfCounter {
public:
    int64_t Frequency() const override { return frequency; }
    int64_t Counter() const override { return frozen ? 1000 : ++m_count; }
    uint32_t TickCountMs() const override { return 5000; }
    void SleepMs(int64_t) const override {}
    int64_t frequency = 1'000'000;
    bool frozen = false;

private:
    mutable int64_t m_count = 0;
};

// The whole program in a temporary working directory, on a scripted port,
// with scripted message boxes.
struct TAppRig {
    TTestWorkDir dir;
    TMessageScript messages;
    TTestPerfCounter counter;
    TSimulatedClock raceClock;
    TAppContext context;
    TScriptedPort* port = nullptr;
    TAppWindows windows;

    explicit TAppRig(bool portReady = true, const QString& portError = {})
    {
        context.workingDirectory = dir.Path();
        context.clock.SetCounter(counter);
        auto scripted = std::make_unique<TScriptedPort>(portReady, portError);
        port = scripted.get();
        context.port = std::move(scripted);
        context.port->Open();
    }
    // Writes a KOBA.ini so that start-up has nothing to warn about.
    void WriteSettingsFile(const TSettings& settings = TSettings())
    {
        TSettings copy = settings;
        TSensorMasks masks;
        QVERIFY(WriteSettings(copy, masks, dir.Path()));
    }
    // Races run on the simulated track in simulated time: every clock read
    // moves the clock on by stepUs, so a race loop polling as fast as it can
    // sees a minute go by in a fraction of a second. Before Start().
    TSimulatedTrack* UseSimulatedTrack(uint32_t seed, int64_t stepUs = 1000, const TSimulatedTrackConfig& config = {})
    {
        raceClock.SetStepPerReadUs(stepUs);
        context.raceClock = &raceClock;
        auto track = std::make_unique<TSimulatedTrack>(raceClock, context.settings, context.masks, seed, config);
        TSimulatedTrack* simulated = track.get();
        track->Open();
        context.port = std::move(track);
        port = nullptr;
        return simulated;
    }
    int Start() { return CreateWindowsAndShow(context, windows); }
    TKWL_MainForm* Form() const { return windows.MainForm.get(); }
};
