#pragma once

#include <cstdint>

// The sounds of a race, in the order of the sound switches of the settings
// (TSettings::Sound), so a sound's value is also its switch index.
enum class TRaceSound : uint8_t { Light1, Light2, Light3, Light4, Start, Lap, FasterLap, Finish };
inline constexpr int RaceSoundCount = 8;

// Everything the race engine hands to the windows or waits for. The engine
// calls these on its own thread; the timer thread forwards them to the UI
// thread synchronously (the engine waits until the call has run there),
// except PlaySound, which is posted and never waits, and WaitForRelease,
// which blocks the engine itself. A test drives the engine with a host that
// records the calls.
class TRaceHost {
public:
    virtual ~TRaceHost() = default;

    // Lay the start-light window over the timer window (its state and
    // bounds), set lamps 1..4 to maroon and lamp 5 to teal, and show it.
    virtual void ShowStartLights() = 0;
    // Lamp 1..5 of the start-light window lit (red; lamp 5 green) or unlit.
    virtual void SetStartLamp(int lamp, bool lit) = 0;
    // Hide the start-light window.
    virtual void HideStartLights() = 0;
    // Bring the timer window up to date: call RefreshDisplay(state, tracks,
    // settings) from RaceDisplay.h and apply what it returns. The engine does
    // not run meanwhile, so the records may be read freely.
    virtual void RefreshDisplay() = 0;
    // Show the false-start lamp of every track 1..4 whose FalseStart is set.
    virtual void ShowFalseStartLamps() = 0;
    // Disable the timer window's Pause button (the race is ending).
    virtual void DisablePause() = 0;
    // Play the sound's wave file. The engine has already checked the sound's
    // switch. Must return at once; a missing file or device plays nothing.
    virtual void PlaySound(TRaceSound sound) = 0;
    // The halt at a pause: return once the timer window has released the
    // race (after the pause dialog). A release given before the halt counts.
    virtual void WaitForRelease() = 0;
    // The track can no longer be reached (the lap-sensor board was unplugged
    // or fell silent). The engine has asked for a pause already; the window
    // says so and opens the pause. Must return at once, like PlaySound.
    virtual void TrackInterfaceLost() {}
};
