#pragma once

#include "common/Settings.h"

#include <QGroupBox>
#include <array>

class QCheckBox;
class QTimer;
struct TAppContext;

// A round lamp: red while its sensor is set, white while it is not.
class TSensorLamp : public QWidget {
    Q_OBJECT
public:
    explicit TSensorLamp(QWidget* parent = nullptr);
    void SetLit(bool lit);
    bool Lit() const { return m_lit; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_lit = false;
};

// The "Test I/O" group, with which the wiring is checked: four sensor lamps
// shown every 100 ms while the Settings page is shown, and the boxes that
// switch the four power lines and the four start-light lines. It works on the
// live settings, so a port address takes effect here as soon as it is applied.
//
// A car shades its sensor for some 30 ms as it passes, so a read every 100 ms
// alone would miss most passes. Between two lamp ticks the sensors are
// therefore sampled every few milliseconds, and a lamp shows red for one tick
// when its sensor was set at any sample since the last one.
class TSettingsIOTest : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int TrackCount = TSettings::TrackCount;

    TSettingsIOTest(TAppContext& context, QWidget* parent = nullptr);

    // The sensors are read only while the page is on the screen.
    void StartReading();
    void StopReading();
    QTimer* TimerReadTrack() const { return m_timerReadTrack; }
    QTimer* SampleTimer() const { return m_sampleTimer; }

    // Lamps 1..tracks shown; power box 1 shown, boxes 2..tracks only with
    // multiple power signals; the rest hidden.
    void ShowTracks(int tracks, bool multiplePower);
    // Every output line off and every box unticked: the test is left, and no
    // track may stay powered with nothing on the screen to switch it off.
    void SwitchAllOff();
    // "Output Multiple Power Signals" switched: off hides, unticks and
    // switches off the power of tracks 2..4; on shows the boxes of the tracks
    // in use again.
    void MultiplePowerSwitched(bool on);

    TSensorLamp* Lamp(int track) const { return m_lamps[size_t(track - 1)]; }
    QCheckBox* PowerBox(int track) const { return m_power[size_t(track - 1)]; }
    QCheckBox* LightBox(int light) const { return m_lights[size_t(light - 1)]; }

public slots:
    // One tick of the sensor test timer: the lamps show the sensors as they
    // are now or were at a sample since the last tick.
    void TimerReadTrackTimer();
    // Notes which sensors are set now, for the next tick.
    void SampleSensors();

private:
    void WritePowerLines();
    void WriteLightLines();
    void SetPowerBoxVisible(int track, bool visible);

    TAppContext& m_context;
    QTimer* m_timerReadTrack = nullptr;
    QTimer* m_sampleTimer = nullptr;
    std::array<bool, TrackCount> m_seenSet{};
    std::array<TSensorLamp*, TrackCount> m_lamps{};
    std::array<QCheckBox*, TrackCount> m_power{};
    std::array<QCheckBox*, TrackCount> m_lights{};
    int m_tracks = TrackCount;
};
