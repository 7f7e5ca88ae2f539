#include "hardware/lapboard/LapBoardLink.h"

#include "hardware/lapboard/LapBoardChannels.h"

#include <QSerialPort>
#include <algorithm>

TLapBoardLink::TLapBoardLink(QString device, TLapBoardChannels& channels, const TLapBoardTimeouts& timeouts)
    : m_device(std::move(device)), m_channels(channels), m_timeouts(timeouts)
{
}

TLapBoardLink::~TLapBoardLink() { delete m_port; }

int64_t TLapBoardLink::MsSince(TClock::time_point mark)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - mark).count();
}

TLapBoardLink::TGreeting TLapBoardLink::Greet()
{
    // Made here, on the reader thread that uses it.
    if (!m_port)
        m_port = new QSerialPort;
    m_port->setPortName(m_device);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_problem =
            QStringLiteral("The lap-sensor board's port %1 cannot be opened: %2.").arg(m_device, m_port->errorString());
        return TGreeting::CannotOpen;
    }
    m_port->setBaudRate(QSerialPort::Baud115200);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_port->clear();

    m_receiver.Reset();
    m_helloProtocol = 0;
    const TClock::time_point start = TClock::now();
    TClock::time_point lastAsk = start - std::chrono::hours(1);
    while (m_helloProtocol == 0 && MsSince(start) < m_timeouts.HelloMs) {
        if (m_channels.StopRequested.load())
            break;
        if (MsSince(lastAsk) >= m_timeouts.HelloRepeatMs) {
            Send('?');
            lastAsk = TClock::now();
        }
        if (!ReadSome(m_timeouts.PollMs * 5))
            break;
    }
    if (m_helloProtocol != LapBoard::ProtocolVersion) {
        m_problem =
            m_helloProtocol == 0
                ? QStringLiteral("No lap-sensor board answers on %1.").arg(m_device)
                : QStringLiteral(
                      "The lap-sensor board on %1 speaks protocol version %2; this Kobalap knows version %3 only.")
                      .arg(m_device)
                      .arg(m_helloProtocol)
                      .arg(LapBoard::ProtocolVersion);
        const TGreeting outcome = m_helloProtocol == 0 ? TGreeting::NoAnswer : TGreeting::UnknownVersion;
        m_port->close();
        return outcome;
    }

    m_epoch = m_channels.Epoch.fetch_add(1) + 1;
    m_lastGoodLine = TClock::now();
    m_awaitingApply = false;
    m_sentCommands.fill({});
    // A board that (re)started has its outputs off; it gets what the
    // program wants now.
    m_sentWrite = m_channels.WriteCount.load(std::memory_order_acquire) - 1;
    m_channels.Connected.store(true);
    return TGreeting::Ready;
}

void TLapBoardLink::Serve()
{
    while (!m_channels.StopRequested.load()) {
        if (m_channels.WriteCount.load(std::memory_order_acquire) != m_sentWrite)
            SendWantedImage();
        else if (m_awaitingApply && MsSince(m_applySent) >= m_timeouts.ResendMs)
            SendWantedImage();
        if (MsSince(m_lastSent) >= m_timeouts.HeartbeatMs)
            Send('H');
        if (!ReadSome(m_timeouts.PollMs) || MsSince(m_lastGoodLine) >= m_timeouts.SilenceMs) {
            Lose();
            return;
        }
    }
}

void TLapBoardLink::Finish()
{
    if (m_port && m_port->isOpen() && m_channels.Connected.load()) {
        SendWantedImage();
        const TClock::time_point start = TClock::now();
        while (m_awaitingApply && MsSince(start) < 4 * m_timeouts.ResendMs && ReadSome(m_timeouts.PollMs)) {
        }
    }
    m_channels.Connected.store(false);
    if (m_port)
        m_port->close();
}

void TLapBoardLink::Lose()
{
    m_channels.Connected.store(false);
    m_awaitingApply = false;
    m_port->close();
}

bool TLapBoardLink::ReadSome(int waitMs)
{
    if (m_port->bytesAvailable() == 0 && !m_port->waitForReadyRead(waitMs)) {
        const QSerialPort::SerialPortError error = m_port->error();
        // Waiting without data reports a timeout; anything else means the
        // port is gone (the cable was pulled).
        if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
            return false;
        m_port->clearError();
        return m_port->isOpen();
    }
    char buffer[256];
    for (;;) {
        const qint64 got = m_port->read(buffer, sizeof buffer);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        const int64_t goodBefore = m_receiver.Faults().GoodLines;
        m_receiver.Feed(buffer, std::size_t(got), *this);
        if (m_receiver.Faults().GoodLines != goodBefore)
            m_lastGoodLine = TClock::now();
    }
    return true;
}

void TLapBoardLink::Send(char type, uint8_t outputs)
{
    char line[LapBoard::MaxLineLength];
    // Only SendWantedImage marks its number as an output command again.
    m_sentCommands[m_seq] = {};
    const std::size_t length = LapBoard::FormatCommand(type, m_seq++, outputs, line);
    m_port->write(line, qint64(length));
    m_port->flush();
    m_lastSent = TClock::now();
}

void TLapBoardLink::SendWantedImage()
{
    // The count first: the image read after it is at least that new.
    const uint32_t write = m_channels.WriteCount.load(std::memory_order_acquire);
    const uint8_t image = m_channels.WantedImage.load(std::memory_order_relaxed);
    m_applyWrite = write;
    m_sentWrite = write;
    m_awaitingApply = true;
    m_applySent = TClock::now();
    const uint8_t seq = m_seq;
    Send('O', image);
    m_sentCommands[seq] = {true, write};
}

void TLapBoardLink::Hello(int protocol, const char* firmware, bool restarted)
{
    m_helloProtocol = protocol;
    std::size_t n = 0;
    for (; firmware[n] != '\0' && n + 1 < m_firmware.size(); ++n)
        m_firmware[n] = firmware[n];
    m_firmware[n] = '\0';
    // A hello in the middle of a conversation is a board that restarted: its
    // clock began again, so its times cannot be set against earlier ones.
    // Its outputs are off again, so it is sent what the program wants.
    if (restarted && m_channels.Connected.load()) {
        m_epoch = m_channels.Epoch.fetch_add(1) + 1;
        m_awaitingApply = false;
        m_sentCommands.fill({});
        m_sentWrite = m_channels.WriteCount.load(std::memory_order_acquire) - 1;
    }
}

void TLapBoardLink::Arrival(int sensor, int64_t boardUs) { m_channels.PushArrival({sensor, m_epoch, boardUs}); }

void TLapBoardLink::Levels(uint8_t levels) { m_channels.Levels.store(levels, std::memory_order_relaxed); }

void TLapBoardLink::Applied(uint8_t pcSeq, int64_t boardUs, uint8_t /*outputs*/)
{
    TSentCommand& command = m_sentCommands[pcSeq];
    if (!command.Outputs)
        return;  // not an output command of this connection, or answered
    command.Outputs = false;
    const uint32_t applied = command.Write;
    if (int32_t(m_applyWrite - applied) <= 0)
        m_awaitingApply = false;
    // Every write up to this one is on the board now; the writes folded into
    // it took effect at the same moment. The board answers in order, so the
    // first answer that covers a write comes from the sending that set it; a
    // repetition sent because that answer was late changed nothing, and its
    // later time must not become the write's (the green's time is race 0).
    const uint32_t acked = m_channels.AckedWrites.load(std::memory_order_relaxed);
    if (int32_t(applied - acked) <= 0)
        return;
    const uint32_t count = std::min(applied - acked, TLapBoardChannels::AckSlots);
    for (uint32_t write = applied - count + 1; write != applied + 1; ++write) {
        TLapBoardChannels::TAckSlot& slot = m_channels.AckTimes[write % TLapBoardChannels::AckSlots];
        slot.Epoch.store(m_epoch, std::memory_order_relaxed);
        slot.BoardUs.store(boardUs, std::memory_order_relaxed);
    }
    m_channels.AckedWrites.store(applied, std::memory_order_release);
}

void TLapBoardLink::Refused()
{
    // One of our lines was damaged on the way: the output command goes
    // again at once (the others carry nothing that must arrive).
    if (m_awaitingApply)
        m_applySent = TClock::now() - std::chrono::hours(1);
}
