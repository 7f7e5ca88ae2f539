#include "timing/RaceWindowHost.h"

#include "common/PlaceWindow.h"
#include "timing/KWLStopLicht.h"
#include "timing/SoundPlayer.h"

TRaceWindowHost::TRaceWindowHost(TFKWLStopLicht& lights, TSoundPlayer& sounds, QObject* parent)
    : QObject(parent), m_lights(lights), m_sounds(sounds)
{
}

void TRaceWindowHost::SetCoveredWindow(QWidget* window) { m_covered = window; }

void TRaceWindowHost::SetPlacement(const TWindowPlacement& placement) { m_placement = placement; }

TWindowPlacement TRaceWindowHost::Placement() const
{
    const QWidget* window = m_covered.data();
    // The lights then lie exactly over the timer window.
    return window ? PlacementOf(*window) : m_placement;
}

void TRaceWindowHost::ShowStartLights()
{
    m_lights.PlaceOver(Placement());
    m_lights.ShowLights();
}

void TRaceWindowHost::SetStartLamp(int lamp, bool lit) { m_lights.SetLamp(lamp, lit); }

void TRaceWindowHost::HideStartLights() { m_lights.HideLights(); }

void TRaceWindowHost::RefreshDisplay() { emit RefreshDisplayRequested(); }

void TRaceWindowHost::ShowFalseStartLamps() { emit FalseStartLampsRequested(); }

void TRaceWindowHost::DisablePause() { emit PauseDisableRequested(); }

void TRaceWindowHost::PlaySound(TRaceSound sound) { m_sounds.Play(sound); }

void TRaceWindowHost::WaitForRelease() {}

void TRaceWindowHost::TrackInterfaceLost() { emit TrackInterfaceLostRequested(); }
