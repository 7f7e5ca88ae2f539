#pragma once

#include "common/WindowPlacement.h"
#include "timing/RaceHost.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

class TFKWLStopLicht;
class TSoundPlayer;

// The windows' side of a race: the start-light window and the sounds, on the
// UI thread. The timer thread calls it there (TTimerThread's uiHost, with this
// object as the uiContext), each window change while the race waits for it.
//
// What belongs to the timer window (the display refresh, the false-start
// lamps, the Pause button) goes out as signals. Connect them directly (the
// default between objects of the UI thread): the race waits only as long as
// the receiver runs, so a queued receiver would see the records while the
// race moves on.
class TRaceWindowHost final : public QObject, public TRaceHost {
    Q_OBJECT
public:
    TRaceWindowHost(TFKWLStopLicht& lights, TSoundPlayer& sounds, QObject* parent = nullptr);

    // The window the lights cover; its state and bounds are taken each time
    // the lights are shown. Without one, the last placement given is used.
    void SetCoveredWindow(QWidget* window);
    void SetPlacement(const TWindowPlacement& placement);
    TWindowPlacement Placement() const;

    void ShowStartLights() override;
    void SetStartLamp(int lamp, bool lit) override;
    void HideStartLights() override;
    void RefreshDisplay() override;
    void ShowFalseStartLamps() override;
    void DisablePause() override;
    void PlaySound(TRaceSound sound) override;
    // The halt belongs to the timing thread (TTimerThread waits on its own);
    // the UI thread must never block, so here it returns at once.
    void WaitForRelease() override;
    void TrackInterfaceLost() override;

signals:
    void RefreshDisplayRequested();
    void FalseStartLampsRequested();
    void PauseDisableRequested();
    void TrackInterfaceLostRequested();

private:
    TFKWLStopLicht& m_lights;
    TSoundPlayer& m_sounds;
    QPointer<QWidget> m_covered;
    TWindowPlacement m_placement;
};
