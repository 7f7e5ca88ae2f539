#pragma once

#include "common/MaskFile.h"
#include "common/RaceClock.h"
#include "common/Settings.h"
#include "common/TrackInterfaceChoice.h"
#include "common/TrackIo.h"
#include "data/KWLStore.h"
#include "hardware/zlportio.h"
#include "spectator/RaceSnapshot.h"
#include "spectator/SpectatorBoard.h"

#include <QString>
#include <memory>

// What lives for the whole run: the settings record with the sensor masks,
// the clock, the port driver with the track I/O on top of it, and the race
// database. One instance, made in main() and handed to the windows.
struct TAppContext {
    QString workingDirectory;
    bool simulated = false;
    // --carrera: the Control Unit on this device for this run; empty without.
    QString carreraDevice;
    // --lapcounter: the lap counter on this device or address for this run;
    // empty without.
    QString lapCounter;
    // The track interface chosen in kobalap.conf when the program started;
    // --simulate, --carrera or --lapcounter (above) overrides it.
    TTrackInterfaceChoice trackInterface;
    TInterfaceFlags InterfaceFlags() const { return {simulated, carreraDevice, lapCounter}; }

    TSettings settings;
    TSensorMasks masks;

    TSteadyPerfCounter perfCounter;
    TSystemClock clock{perfCounter};
    // The clock races are timed on and the simulated track runs on: the
    // system clock, unless a test puts a simulated clock in its place.
    TRaceClock* raceClock = &clock;
    TRaceClock& RaceClock() const { return *raceClock; }

    std::unique_ptr<TPortDriver> port;
    std::unique_ptr<TTrackIo> trackIo;

    TKWLStore store;

    // The race as the spectators see it, published by the race running, and
    // what they are shown between races; the spectator window and page read both.
    TSnapshotPublisher spectatorFeed;
    TSpectatorBoard spectatorBoard{spectatorFeed, settings};
};
