#pragma once

#include "hardware/BoardTimestamps.h"
#include "hardware/LinkThread.h"
#include "hardware/lapcounter/LapCounterChannels.h"
#include "hardware/lapcounter/LapCounterLink.h"
#include "hardware/zlportio.h"

#include <QString>
#include <functional>
#include <memory>

class TByteWire;
struct TSensorMasks;

// A DIY lap counter (or a transponder decoder) speaking the free lap-counter
// protocol, on a serial line or over TCP, as a track interface. It only
// counts: the laps come with the counter's own race time and are offered to
// the race engine through Timestamps(). The power and the start lights go
// to a second interface for outputs when there is one (the parallel port or
// the USB lap-sensor board); without one they are shown on screen only.
//
// The conversation runs on a link thread of its own. Open() waits for the
// counter; later losses (a pulled cable, a closed connection, a counter
// gone silent) are noticed and the thread keeps trying to reach it again.
class TLapCounterPort final : public TPortDriver, public TBoardTimestamps {
public:
    using TWireMaker = std::function<std::unique_ptr<TByteWire>()>;

    // where: the device or the address, as said to the race director.
    // needsAcknowledge: the counter must answer "are you there?" (serial).
    TLapCounterPort(TWireMaker makeWire, QString where, bool needsAcknowledge, const TSensorMasks& masks,
                    std::unique_ptr<TPortDriver> outputs, const TLapCounterTimeouts& timeouts = TLapCounterTimeouts());
    ~TLapCounterPort() override;
    TLapCounterPort(const TLapCounterPort&) = delete;
    TLapCounterPort& operator=(const TLapCounterPort&) = delete;

    // Opens the interface for outputs first, then reaches the counter.
    bool Open() override;
    void Close() override;
    // Reads a car at a sensor for a moment after each lap of its lane, so
    // the I/O test and the false-start watch see the counter's laps.
    bool ReadPort(uint32_t address, TPortSize size, uint32_t& value) override;
    void WritePort(uint32_t address, TPortSize size, uint32_t value) override;
    QString UseBase(uint32_t base) override;
    QString Description() const override;
    TBoardTimestamps* Timestamps() override { return this; }
    bool Connected() const override;
    bool HasOutputs() const override { return m_outputs != nullptr; }

    bool TakeArrival(TArrival& arrival) override;
    void DiscardArrivals() override;
    uint32_t WriteCount() const override;
    bool AppliedAt(uint32_t write, uint32_t& epoch, int64_t& boardUs) const override;
    void StartCounting() override;
    void AtGreen() override;
    void StopCounting() override;

    QString Where() const { return m_where; }
    // Messages dropped as damaged since the port opened.
    uint32_t Dropped() const { return m_channels.Dropped.load(std::memory_order_relaxed); }
    // The first lane number outside 1..4 the counter sent; 0 while none.
    uint32_t StrayLane() const { return m_channels.StrayLane.load(std::memory_order_relaxed); }

    // How long a sensor reads a car after a lap of its lane.
    static constexpr int64_t LapPulseMs = 100;

private:
    void Request(TLapCounterRequest request);
    void StampWrite();

    TWireMaker m_makeWire;
    QString m_where;
    bool m_needsAcknowledge = true;
    const TSensorMasks& m_masks;
    std::unique_ptr<TPortDriver> m_outputs;
    TLapCounterTimeouts m_timeouts;
    TLapCounterChannels m_channels;
    TSpscRing<TLapCounterRequest, 16> m_requests;
    TLinkThread m_link{m_channels.StopRequested};

    // The PC's steady µs of each write and green, for AppliedAt.
    static constexpr uint32_t WriteSlots = 64;
    std::array<std::atomic<int64_t>, WriteSlots> m_writeUs{};
    std::atomic<uint32_t> m_writes{0};
};
