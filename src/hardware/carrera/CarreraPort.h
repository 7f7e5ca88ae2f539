#pragma once

#include "hardware/BoardTimestamps.h"
#include "hardware/LinkThread.h"
#include "hardware/UnitRaceControl.h"
#include "hardware/carrera/CarreraChannels.h"
#include "hardware/carrera/CarreraLink.h"
#include "hardware/zlportio.h"

#include <QString>
#include <functional>
#include <memory>

class TByteWire;

// The Carrera DIGITAL 124/132 Control Unit as a track interface. Controller
// n is track n. The CU times every car itself: its timer events reach the
// race engine as board arrivals on the CU's clock, and the CU runs the start
// lights and the track power, which the engine drives through RaceControl().
// Reads of the status register answer no car (the CU reports crossings, not
// levels); writes of the output lines are ignored, the CU having no lines.
//
// The serial conversation runs on a link thread of its own. Open() waits for
// the answer to the version request; later losses are noticed within half a
// second and the thread keeps trying to reach the CU again.
class TCarreraPort final : public TPortDriver, public TBoardTimestamps, public TUnitRaceControl {
public:
    // The CU on a serial port (the PC cable).
    explicit TCarreraPort(QString device, const TCarreraTimeouts& timeouts = TCarreraTimeouts());
    // The CU over another wire (Bluetooth), made on the link thread; device
    // names it in what is said of it.
    using TWireMaker = std::function<std::unique_ptr<TByteWire>()>;
    TCarreraPort(TWireMaker makeWire, QString device, const TCarreraTimeouts& timeouts = TCarreraTimeouts());
    ~TCarreraPort() override;
    TCarreraPort(const TCarreraPort&) = delete;
    TCarreraPort& operator=(const TCarreraPort&) = delete;

    bool Open() override;
    void Close() override;
    bool ReadPort(uint32_t address, TPortSize size, uint32_t& value) override;
    void WritePort(uint32_t address, TPortSize size, uint32_t value) override;
    QString Description() const override;
    TBoardTimestamps* Timestamps() override { return this; }
    TUnitRaceControl* RaceControl() override { return this; }
    bool Connected() const override;

    // Board timestamps: the crossings of cars 1..6 (Sensor = controller).
    bool TakeArrival(TArrival& arrival) override;
    void DiscardArrivals() override;
    // The CU has no output lines: nothing is ever waited for.
    uint32_t WriteCount() const override { return 0; }
    bool AppliedAt(uint32_t write, uint32_t& epoch, int64_t& boardUs) const override;

    void RequestStart() override;
    void RequestStop() override;
    TLamps Lamps() const override;
    TMark LastGreen() const override;
    TMark LastStop() const override;
    int Fuel(int track) const override;
    bool PitEntries(int track, uint32_t& entries) const override;
    void ShowPositions(const std::array<uint8_t, 4>& placeOfTrack, int leaderLaps) override;

    // For the I/O test page.
    QString Device() const { return m_device; }
    // The version the CU answered ("5337"); empty before it did.
    QString Version() const;
    // The raw start-light indicator of the last status (0..9).
    int StartLightIndicator() const;
    struct TLastEvent {
        uint32_t TimeMs = 0;
        int Sector = 0;
        uint32_t Count = 0;  // 0: none yet
    };
    // The last timer event of address 1..8 (7 the ghost car, 8 the pace car).
    TLastEvent LastEvent(int address) const;
    // How many connections were made (1 after Open, more after losses).
    uint32_t Connections() const { return m_channels.Epoch.load(); }

private:
    TWireMaker m_makeWire;
    QString m_device;
    TCarreraTimeouts m_timeouts;
    TCarreraChannels m_channels;
    TLinkThread m_link{m_channels.StopRequested};
};
