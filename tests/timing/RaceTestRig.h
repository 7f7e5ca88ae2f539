#pragma once

#include "common/MaskFile.h"
#include "common/RaceClock.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
#include "hardware/zlportio.h"
#include "timing/RaceDisplay.h"
#include "timing/RaceEngine.h"
#include "timing/RaceHost.h"
#include "timing/RaceState.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// A port on the simulated clock. Each sensor is set during the listed clock
// intervals [from, to) in ms. A read samples the sensors at the present time
// and then takes 1 ms, so the clock moves only while the engine reads; a
// pass that begins at clock t is therefore timed at t + 1.
class TClockPort final : public TPortDriver {
public:
    TClockPort(TSimulatedClock& clock, QStringList& log) : m_clock(clock), m_log(log) { m_ready = true; }
    bool Open() override { return true; }
    void Close() override {}
    QString Description() const override { return QStringLiteral("clock port"); }
    bool ReadPort(uint32_t, TPortSize, uint32_t& value) override
    {
        const int64_t now = m_clock.NowMs();
        uint8_t status = 0;
        for (int n = 0; n < 4; ++n)
            for (const auto& interval : Passes[size_t(n)])
                if (now >= interval.first && now < interval.second)
                    status |= uint8_t(8u << n);
        value = status;
        ++Reads;
        if (OnRead)
            OnRead(now);
        m_clock.AdvanceUs(ReadUs);
        return true;
    }
    void WritePort(uint32_t, TPortSize, uint32_t value) override
    {
        Writes << uint8_t(value);
        m_log << QStringLiteral("out %1").arg(value, 2, 16, QLatin1Char('0'));
    }

    std::array<QList<QPair<int64_t, int64_t>>, 4> Passes;
    int64_t ReadUs = 1000;
    int64_t Reads = 0;
    QList<uint8_t> Writes;
    std::function<void(int64_t)> OnRead;

private:
    TSimulatedClock& m_clock;
    QStringList& m_log;
};

// Records what the engine asks of the windows; the display is computed as
// the timer window would.
class TRecordingHost final : public TRaceHost {
public:
    TRecordingHost(TSimulatedClock& clock, QStringList& log, TRaceState& state, TTrackStates& tracks,
                   const TSettings& settings)
        : m_clock(clock), m_log(log), m_state(state), m_tracks(tracks), m_settings(settings)
    {
    }
    void ShowStartLights() override { Note(QStringLiteral("show")); }
    void SetStartLamp(int lamp, bool lit) override
    {
        Note(QStringLiteral("lamp %1 %2").arg(lamp).arg(lit ? 1 : 0));
        if (OnLamp)
            OnLamp(lamp);
    }
    void HideStartLights() override { Note(QStringLiteral("hide")); }
    void RefreshDisplay() override
    {
        ++Refreshes;
        const TRaceDisplay display = ::RefreshDisplay(m_state, m_tracks, m_settings);
        if (display.ClockChanged)
            ClockTexts << display.ClockText;
        Last = display;
    }
    void ShowFalseStartLamps() override { Note(QStringLiteral("falsestartlamps")); }
    void DisablePause() override { Note(QStringLiteral("disablepause")); }
    void PlaySound(TRaceSound sound) override { Sounds << sound; }
    void WaitForRelease() override
    {
        Note(QStringLiteral("halt"));
        if (OnHalt)
            OnHalt();
    }

    QList<int64_t> Times;  // clock ms of each logged call
    QList<TRaceSound> Sounds;
    QStringList ClockTexts;
    TRaceDisplay Last;
    int Refreshes = 0;
    std::function<void()> OnHalt;
    std::function<void(int)> OnLamp;

private:
    void Note(const QString& what)
    {
        m_log << what;
        Times << m_clock.NowMs();
    }
    TSimulatedClock& m_clock;
    QStringList& m_log;
    TRaceState& m_state;
    TTrackStates& m_tracks;
    const TSettings& m_settings;
};

// One race on the simulated clock. Green of the first start comes at clock
// 6600 ms (the clock starts at 0).
struct TRaceRig {
    static constexpr int64_t Green = 6600;

    TRaceRig()
        : Tracks(std::make_unique<TTrackStates>()),
          Port(Clock, Log),
          Io(Port, Settings, Masks),
          Host(Clock, Log, State, *Tracks, Settings),
          Engine(Clock, Io, Settings, State, *Tracks, Host)
    {
        Settings.Sounds.fill(false);
    }
    void Drive(int track, const QString& name = QStringLiteral("driver"))
    {
        (*Tracks)[size_t(track - 1)].Active = true;
        (*Tracks)[size_t(track - 1)].DriverName = name;
    }
    // A pass of `ms` length that begins at race time t (clock Green + t).
    void Pass(int track, int64_t raceMs, int64_t lengthMs = 30)
    {
        Port.Passes[size_t(track - 1)] << qMakePair(Green + raceMs, Green + raceMs + lengthMs);
    }
    void Hold(int track, int64_t fromClockMs, int64_t toClockMs = std::numeric_limits<int64_t>::max())
    {
        Port.Passes[size_t(track - 1)] << qMakePair(fromClockMs, toClockMs);
    }
    void LapRace(int laps)
    {
        State.RaceKind = TRaceKind::Lap;
        State.RaceLength = laps;
    }
    void TimedRace(int seconds)
    {
        State.RaceKind = TRaceKind::Timed;
        State.RaceLength = seconds;
    }
    TTrackState& Track(int n) { return (*Tracks)[size_t(n - 1)]; }

    QStringList Log;
    TSimulatedClock Clock;
    TSettings Settings;
    TSensorMasks Masks;
    TRaceState State;
    std::unique_ptr<TTrackStates> Tracks;
    TClockPort Port;
    TTrackIo Io;
    TRecordingHost Host;
    TRaceEngine Engine;
};
