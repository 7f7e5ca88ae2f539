#include "hardware/carrera/CarreraPort.h"

#include "hardware/SerialWire.h"

TCarreraPort::TCarreraPort(QString device, const TCarreraTimeouts& timeouts)
    : TCarreraPort(
          [device] {
              return std::make_unique<TSerialWire>(
                  device, QStringLiteral("The Carrera Control Unit's port %1 cannot be opened: %2."));
          },
          device, timeouts)
{
}

TCarreraPort::TCarreraPort(TWireMaker makeWire, QString device, const TCarreraTimeouts& timeouts)
    : m_makeWire(std::move(makeWire)), m_device(std::move(device)), m_timeouts(timeouts)
{
}

TCarreraPort::~TCarreraPort() { Close(); }

bool TCarreraPort::Open()
{
    if (m_link.Running())
        return m_ready;
    if (m_device.trimmed().isEmpty()) {
        m_errorText = QStringLiteral("No serial port is set for the Carrera Control Unit (Settings, I/O).");
        return false;
    }
    // The link wakes with the CU's statuses, and the green is taken from
    // them: it asks for real-time scheduling.
    m_ready =
        m_link.Start([this] { return std::make_unique<TCarreraLink>(m_makeWire(), m_device, m_channels, m_timeouts); },
                     {m_timeouts.ReconnectMs, true}, m_errorText);
    return m_ready;
}

void TCarreraPort::Close()
{
    m_link.Stop();
    m_ready = false;
}

bool TCarreraPort::ReadPort(uint32_t /*address*/, TPortSize size, uint32_t& value)
{
    // The CU tells of crossings, not of a car standing at a sensor.
    if (size != TPortSize::Byte || !Connected())
        return false;
    value = 0;
    return true;
}

void TCarreraPort::WritePort(uint32_t /*address*/, TPortSize /*size*/, uint32_t /*value*/) {}

QString TCarreraPort::Description() const
{
    const QString version = Version();
    if (version.isEmpty())
        return QStringLiteral("Carrera Control Unit %1").arg(m_device);
    return QStringLiteral("Carrera Control Unit %1 (version %2)").arg(m_device, version);
}

bool TCarreraPort::Connected() const { return m_channels.Connected.load(std::memory_order_relaxed); }

bool TCarreraPort::TakeArrival(TArrival& arrival) { return m_channels.Arrivals.Take(arrival); }

void TCarreraPort::DiscardArrivals()
{
    TArrival ignored;
    while (m_channels.Arrivals.Take(ignored)) {
    }
}

bool TCarreraPort::AppliedAt(uint32_t /*write*/, uint32_t& /*epoch*/, int64_t& /*boardUs*/) const { return false; }

void TCarreraPort::RequestStart()
{
    // Every start sets the CU's clock to zero, so that its time is known
    // here from the reset's echo on (also after the program restarted).
    m_channels.ClockResetRequests.fetch_add(1, std::memory_order_relaxed);
    m_channels.StartRequests.fetch_add(1, std::memory_order_release);
}

void TCarreraPort::RequestStop() { m_channels.StopRequests.fetch_add(1, std::memory_order_release); }

TUnitRaceControl::TLamps TCarreraPort::Lamps() const
{
    TLamps lamps;
    if (!m_channels.StatusKnown.load(std::memory_order_acquire))
        return lamps;
    const int light = m_channels.StartLight.load(std::memory_order_relaxed);
    lamps.Armed = light == 1;
    lamps.Lit = uint8_t(light >= 2 && light <= 6 ? light - 1 : 0);
    lamps.Flashing = light == 8 || light == 9;
    return lamps;
}

TUnitRaceControl::TMark TCarreraPort::LastGreen() const
{
    TMark mark;
    mark.Count = m_channels.Greens.load(std::memory_order_acquire);
    mark.Epoch = m_channels.GreenEpoch.load(std::memory_order_relaxed);
    mark.UnitUs = m_channels.GreenUs.load(std::memory_order_relaxed);
    return mark;
}

TUnitRaceControl::TMark TCarreraPort::LastStop() const
{
    TMark mark;
    mark.Count = m_channels.Stops.load(std::memory_order_acquire);
    mark.Epoch = m_channels.StopEpoch.load(std::memory_order_relaxed);
    mark.UnitUs = m_channels.StopUs.load(std::memory_order_relaxed);
    return mark;
}

int TCarreraPort::Fuel(int track) const
{
    if (track < 1 || track > TCarreraChannels::Addresses || !m_channels.StatusKnown.load(std::memory_order_acquire) ||
        !(m_channels.Mode.load(std::memory_order_relaxed) & 1))
        return NoFuel;
    return m_channels.Fuel[size_t(track - 1)].load(std::memory_order_relaxed);
}

bool TCarreraPort::PitEntries(int track, uint32_t& entries) const
{
    if (track < 1 || track > TCarreraChannels::Addresses || !(m_channels.Mode.load(std::memory_order_relaxed) & 4))
        return false;
    entries = m_channels.PitEntries[size_t(track - 1)].load(std::memory_order_relaxed);
    return true;
}

void TCarreraPort::ShowPositions(const std::array<uint8_t, 4>& placeOfTrack, int leaderLaps)
{
    uint32_t tower = uint32_t(std::clamp(leaderLaps, 0, 0xFF)) << 16;
    for (size_t n = 0; n < placeOfTrack.size(); ++n)
        tower |= uint32_t(placeOfTrack[n] & 0xF) << (4 * n);
    m_channels.Tower.store(tower, std::memory_order_relaxed);
}

QString TCarreraPort::Version() const
{
    const uint32_t version = m_channels.Version.load();
    if (version == 0)
        return {};
    QByteArray text;
    for (int i = 0; i < 4; ++i)
        text.append(char((version >> (8 * i)) & 0xFF));
    return QString::fromLatin1(text);
}

int TCarreraPort::StartLightIndicator() const { return m_channels.StartLight.load(std::memory_order_relaxed); }

TCarreraPort::TLastEvent TCarreraPort::LastEvent(int address) const
{
    TLastEvent last;
    if (address < 1 || address > TCarreraChannels::Addresses)
        return last;
    const TCarreraChannels::TLastEvent& event = m_channels.LastEvents[size_t(address - 1)];
    last.Count = event.Count.load(std::memory_order_acquire);
    last.TimeMs = event.TimeMs.load(std::memory_order_relaxed);
    last.Sector = event.Sector.load(std::memory_order_relaxed);
    return last;
}
