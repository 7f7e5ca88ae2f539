#include "hardware/lapboard/LapBoardPort.h"

#include "common/MaskFile.h"

TLapBoardPort::TLapBoardPort(QString device, const TSensorMasks& masks, const TLapBoardTimeouts& timeouts)
    : m_device(std::move(device)), m_masks(masks), m_timeouts(timeouts)
{
}

TLapBoardPort::~TLapBoardPort() { Close(); }

bool TLapBoardPort::Open()
{
    if (m_reader.Running())
        return m_ready;
    if (m_device.trimmed().isEmpty()) {
        m_errorText = QStringLiteral("No serial port is set for the USB lap-sensor board (Settings, I/O).");
        return false;
    }
    m_ready =
        m_reader.Start([this] { return std::make_unique<TLapBoardLink>(m_device, m_channels, m_timeouts); },
                       {m_timeouts.ReconnectMs, false}, m_errorText,
                       [this](TLinkConversation& link) { m_firmware = static_cast<TLapBoardLink&>(link).Firmware(); });
    return m_ready;
}

void TLapBoardPort::Close()
{
    if (!m_reader.Running())
        return;
    m_reader.Stop();
    m_ready = false;
}

bool TLapBoardPort::ReadPort(uint32_t /*address*/, TPortSize size, uint32_t& value)
{
    // A board that cannot be heard reports no car: a phantom lap would be
    // worse than a missed one.
    if (size != TPortSize::Byte || !m_channels.Connected.load(std::memory_order_relaxed))
        return false;
    const uint8_t levels = m_channels.Levels.load(std::memory_order_relaxed);
    uint8_t status = 0;
    for (int n = 0; n < 4; ++n)
        if (levels & (1u << n))
            status |= m_masks.Mask[size_t(n)];
    // The program XORs what it reads; XOR here so it reads the level meant.
    value = uint8_t(status ^ m_masks.Xor);
    return true;
}

void TLapBoardPort::WritePort(uint32_t /*address*/, TPortSize size, uint32_t value)
{
    if (size != TPortSize::Byte)
        return;
    m_channels.WantedImage.store(uint8_t(value), std::memory_order_relaxed);
    m_channels.WriteCount.fetch_add(1, std::memory_order_release);
}

QString TLapBoardPort::Description() const
{
    if (m_firmware.isEmpty())
        return QStringLiteral("USB lap-sensor board %1").arg(m_device);
    return QStringLiteral("USB lap-sensor board %1 (firmware %2)").arg(m_device, m_firmware);
}

bool TLapBoardPort::Connected() const { return m_channels.Connected.load(std::memory_order_relaxed); }

bool TLapBoardPort::TakeArrival(TArrival& arrival) { return m_channels.TakeArrival(arrival); }

void TLapBoardPort::DiscardArrivals()
{
    TArrival ignored;
    while (m_channels.TakeArrival(ignored)) {
    }
}

uint32_t TLapBoardPort::WriteCount() const { return m_channels.WriteCount.load(std::memory_order_relaxed); }

bool TLapBoardPort::AppliedAt(uint32_t write, uint32_t& epoch, int64_t& boardUs) const
{
    const uint32_t acked = m_channels.AckedWrites.load(std::memory_order_acquire);
    if (int32_t(acked - write) < 0)
        return false;
    // Asked long after: the slot has gone to a later write, whose time is
    // the nearest there is.
    const uint32_t slotWrite = acked - write >= TLapBoardChannels::AckSlots ? acked : write;
    const TLapBoardChannels::TAckSlot& slot = m_channels.AckTimes[slotWrite % TLapBoardChannels::AckSlots];
    epoch = slot.Epoch.load(std::memory_order_relaxed);
    boardUs = slot.BoardUs.load(std::memory_order_relaxed);
    return true;
}
