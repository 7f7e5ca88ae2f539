#pragma once

#include "hardware/BoardTimestamps.h"
#include "hardware/lapboard/LapBoardChannels.h"
#include "hardware/lapboard/LapBoardLink.h"
#include "hardware/zlportio.h"

#include <QString>
#include <memory>

struct TSensorMasks;

// The USB lap-sensor board as a track interface (docs/lap-board.md). Reads
// of the status register answer the sensor levels the board last reported,
// laid on the status bits the program's masks expect; writes set the eight
// output lines on the board. The board's own timestamps of every arrival are
// offered to the race engine through Timestamps().
//
// The serial conversation runs on a reader thread of its own. Open() waits
// for the board's hello; later losses are noticed within half a second and
// the thread keeps trying to reach the board again.
class TLapBoardPort final : public TPortDriver, public TBoardTimestamps {
public:
    TLapBoardPort(QString device, const TSensorMasks& masks, const TLapBoardTimeouts& timeouts = TLapBoardTimeouts());
    ~TLapBoardPort() override;
    TLapBoardPort(const TLapBoardPort&) = delete;
    TLapBoardPort& operator=(const TLapBoardPort&) = delete;

    // Ready once the board has greeted us with our protocol version.
    bool Open() override;
    // Sends the outputs as last written (all off at the end of the program),
    // then ends the conversation.
    void Close() override;
    bool ReadPort(uint32_t address, TPortSize size, uint32_t& value) override;
    void WritePort(uint32_t address, TPortSize size, uint32_t value) override;
    QString Description() const override;
    TBoardTimestamps* Timestamps() override { return this; }
    bool Connected() const override;

    bool TakeArrival(TArrival& arrival) override;
    void DiscardArrivals() override;
    uint32_t WriteCount() const override;
    bool AppliedAt(uint32_t write, uint32_t& epoch, int64_t& boardUs) const override;

    QString Device() const { return m_device; }
    // How many connections were made (1 after Open, more after losses).
    uint32_t Connections() const { return m_channels.Epoch.load(); }

private:
    QString m_device;
    const TSensorMasks& m_masks;
    TLapBoardTimeouts m_timeouts;
    TLapBoardChannels m_channels;
    TLinkThread m_reader{m_channels.StopRequested};
    // Written by the reader at its first connection, read after Open.
    QString m_firmware;
};
