#include "hardware/lapcounter/LapCounterPort.h"

#include "common/MaskFile.h"
#include "hardware/ByteWire.h"

#include <chrono>
#include <cstdlib>

namespace {

int64_t SteadyUsNow()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

TLapCounterPort::TLapCounterPort(TWireMaker makeWire, QString where, bool needsAcknowledge, const TSensorMasks& masks,
                                 std::unique_ptr<TPortDriver> outputs, const TLapCounterTimeouts& timeouts)
    : m_makeWire(std::move(makeWire)),
      m_where(std::move(where)),
      m_needsAcknowledge(needsAcknowledge),
      m_masks(masks),
      m_outputs(std::move(outputs)),
      m_timeouts(timeouts)
{
}

TLapCounterPort::~TLapCounterPort() { Close(); }

bool TLapCounterPort::Open()
{
    if (m_link.Running())
        return m_ready;
    if (m_where.trimmed().isEmpty()) {
        m_errorText = QStringLiteral("No port or address is set for the lap counter (Settings, I/O).");
        return false;
    }
    if (m_outputs && !m_outputs->Open()) {
        m_errorText = m_outputs->ErrorText();
        return false;
    }
    m_ready = m_link.Start(
        [this] {
            return std::make_unique<TLapCounterLink>(m_makeWire(), m_where, m_needsAcknowledge, m_channels, m_requests,
                                                     m_timeouts);
        },
        {m_timeouts.ReconnectMs, false}, m_errorText);
    if (!m_ready && m_outputs)
        m_outputs->Close();
    return m_ready;
}

void TLapCounterPort::Close()
{
    m_link.Stop();
    if (m_outputs)
        m_outputs->Close();
    m_ready = false;
}

bool TLapCounterPort::ReadPort(uint32_t /*address*/, TPortSize size, uint32_t& value)
{
    // A counter that cannot be heard reports no car: a phantom lap would be
    // worse than a missed one.
    if (size != TPortSize::Byte || !m_channels.Connected.load(std::memory_order_relaxed))
        return false;
    const int64_t nowMs = SteadyUsNow() / 1000;
    uint8_t status = 0;
    for (size_t n = 0; n < 4; ++n) {
        const int64_t lapMs = m_channels.LastLapPcMs[n].load(std::memory_order_relaxed);
        if (lapMs != 0 && nowMs - lapMs < LapPulseMs)
            status |= m_masks.Mask[n];
    }
    // The program XORs what it reads; XOR here so it reads the level meant.
    value = uint8_t(status ^ m_masks.Xor);
    return true;
}

void TLapCounterPort::WritePort(uint32_t address, TPortSize size, uint32_t value)
{
    if (m_outputs)
        m_outputs->WritePort(address, size, value);
    StampWrite();
}

void TLapCounterPort::StampWrite()
{
    const uint32_t write = m_writes.load(std::memory_order_relaxed) + 1;
    m_writeUs[write % WriteSlots].store(SteadyUsNow(), std::memory_order_relaxed);
    m_writes.store(write, std::memory_order_release);
}

QString TLapCounterPort::UseBase(uint32_t base) { return m_outputs ? m_outputs->UseBase(base) : QString(); }

QString TLapCounterPort::Description() const
{
    if (!m_outputs)
        return QStringLiteral("lap counter %1 (no outputs)").arg(m_where);
    return QStringLiteral("lap counter %1, outputs on %2").arg(m_where, m_outputs->Description());
}

bool TLapCounterPort::Connected() const
{
    return m_channels.Connected.load(std::memory_order_relaxed) && (!m_outputs || m_outputs->Connected());
}

bool TLapCounterPort::TakeArrival(TArrival& arrival) { return m_channels.Arrivals.Take(arrival); }

void TLapCounterPort::DiscardArrivals()
{
    TArrival ignored;
    while (m_channels.Arrivals.Take(ignored)) {
    }
    for (auto& lapMs : m_channels.LastLapPcMs)
        lapMs.store(0, std::memory_order_relaxed);
}

uint32_t TLapCounterPort::WriteCount() const { return m_writes.load(std::memory_order_acquire); }

bool TLapCounterPort::AppliedAt(uint32_t write, uint32_t& epoch, int64_t& boardUs) const
{
    // The counter's clock is only known once the last start has gone out.
    if (m_channels.StartsSent.load(std::memory_order_acquire) !=
        m_channels.StartsWanted.load(std::memory_order_relaxed))
        return false;
    const uint32_t writes = m_writes.load(std::memory_order_acquire);
    if (int32_t(writes - write) < 0)
        return false;
    const uint32_t slotWrite = writes - write >= WriteSlots ? writes : write;
    const int64_t pcUs = m_writeUs[slotWrite % WriteSlots].load(std::memory_order_relaxed);
    const TLapCounterChannels::TAnchors anchors = m_channels.ReadAnchors();
    if (!anchors.ResetKnown && !anchors.ClockKnown)
        return false;
    // The nearer anchor in time: the reset is exact at the green, the clock
    // message keeps up with the counter's crystal later on.
    const bool byClock = anchors.ClockKnown && (!anchors.ResetKnown || std::llabs(pcUs - anchors.ClockPcUs) <
                                                                           std::llabs(pcUs - anchors.ResetPcUs));
    epoch = anchors.Epoch;
    boardUs = byClock ? anchors.ClockCounterUs + (pcUs - anchors.ClockPcUs) : pcUs - anchors.ResetPcUs;
    return true;
}

void TLapCounterPort::Request(TLapCounterRequest request)
{
    if (request == TLapCounterRequest::Start)
        m_channels.StartsWanted.fetch_add(1, std::memory_order_relaxed);
    m_requests.Push(request);
}

void TLapCounterPort::StartCounting() { Request(TLapCounterRequest::Start); }

void TLapCounterPort::AtGreen()
{
    StampWrite();
    Request(TLapCounterRequest::Start);
}

void TLapCounterPort::StopCounting() { Request(TLapCounterRequest::Stop); }
