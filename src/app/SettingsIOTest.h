#pragma once

#include "common/Settings.h"

#include <QGroupBox>
#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QLabel;
class QTimer;
struct TAppContext;

// What the "Test I/O" group shows of a Carrera Control Unit, as the unit
// reports it at one tick.
struct TUnitTestState {
    static constexpr int Addresses = 8;  // cars 1..6, the ghost car, the pace car
    struct TAddress {
        uint32_t TimeMs = 0;  // the last timer event: CU time, sector, how many
        int Sector = 0;
        uint32_t Count = 0;
        int Fuel = -1;  // below 0: none reported
    };
    bool Connected = false;
    QString Version;
    int StartLight = 0;  // the raw indicator, 0..9
    std::array<TAddress, Addresses> Address{};
};

// What the "Test I/O" group shows of a lap counter beside the sensor lamps,
// as its port reports it at one tick.
struct TCounterTestState {
    QString Where;  // the device or the address
    bool Connected = false;
    uint32_t Dropped = 0;    // messages dropped as damaged
    uint32_t StrayLane = 0;  // the first lane outside 1..4 sent; 0 while none
    bool HasOutputs = false;
};

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
//
// On the Carrera Control Unit there are no sensors and no lines: the group
// shows, on the same tick, what the unit reports instead (its version, its
// start lights, each address's last timer event and fuel). The unit's link
// thread keeps that state; a tick only reads it and never waits for the CU.
//
// A lap counter lights a lamp for a moment on each lap of its lane; below
// the lamps the group says, on the same tick, which counter it is, how many
// messages came damaged, a lane number it ignores, and what the boxes switch.
class TSettingsIOTest : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int TrackCount = TSettings::TrackCount;
    using TUnitReader = std::function<TUnitTestState()>;
    using TCounterReader = std::function<TCounterTestState()>;

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

    // Shows what the reader gives instead of the sensors and lines: the
    // Control Unit in use, or what a test puts in its place.
    void SetUnitReader(TUnitReader reader);
    bool ShowsUnit() const { return bool(m_unitReader); }
    QLabel* UnitVersion() const { return m_unitVersion; }
    QLabel* UnitStartLight() const { return m_unitStartLight; }
    QLabel* UnitEvent(int address) const { return m_unitEvents[size_t(address - 1)]; }
    QLabel* UnitFuel(int address) const { return m_unitFuel[size_t(address - 1)]; }

    // Shows what the reader gives below the sensors: the lap counter in
    // use, or what a test puts in its place.
    void SetCounterReader(TCounterReader reader);
    bool ShowsCounter() const { return bool(m_counterReader); }
    QLabel* CounterWhere() const { return m_counterWhere; }
    QLabel* CounterDropped() const { return m_counterDropped; }
    QLabel* CounterStrayLane() const { return m_counterStrayLane; }
    QLabel* CounterOutputs() const { return m_counterOutputs; }

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
    QWidget* BuildSensorPanel();
    QWidget* BuildUnitPanel();
    QWidget* BuildCounterPanel();
    void ShowUnit();
    void ShowCounter();
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

    QWidget* m_sensorPanel = nullptr;
    QWidget* m_unitPanel = nullptr;
    TUnitReader m_unitReader;
    QLabel* m_unitVersion = nullptr;
    QLabel* m_unitStartLight = nullptr;
    std::array<QLabel*, TUnitTestState::Addresses> m_unitEvents{};
    std::array<QLabel*, TUnitTestState::Addresses> m_unitFuel{};

    QWidget* m_counterPanel = nullptr;
    TCounterReader m_counterReader;
    QLabel* m_counterWhere = nullptr;
    QLabel* m_counterDropped = nullptr;
    QLabel* m_counterStrayLane = nullptr;
    QLabel* m_counterOutputs = nullptr;
};
