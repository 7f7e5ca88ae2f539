#include "hardware/lapboard/LapBoardReceiver.h"

using LapBoard::TKind;

void TLapBoardReceiver::Reset()
{
    m_length = 0;
    m_overlong = false;
    m_greeted = false;
    m_haveSeq = false;
    m_levelsTrusted = false;
    m_levels = 0;
    m_haveTime = false;
    m_faults = TLapBoardFaults();
}

void TLapBoardReceiver::Feed(const char* data, std::size_t size, TLapBoardSink& sink)
{
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n') {
            if (m_overlong)
                ++m_faults.Damaged;
            else
                TakeLine(sink);
            m_length = 0;
            m_overlong = false;
        } else if (!m_overlong) {
            // Room for the line without its feed; one byte more is too long.
            if (m_length + 1 >= m_line.size())
                m_overlong = true;
            else
                m_line[m_length++] = c;
        }
    }
}

void TLapBoardReceiver::TakeLine(TLapBoardSink& sink)
{
    std::size_t size = m_length;
    if (size > 0 && m_line[size - 1] == '\r')
        --size;
    if (size == 0)
        return;  // an empty line carries nothing and claims nothing
    LapBoard::TMessage message;
    if (LapBoard::DecodeLine(m_line.data(), size, message) != LapBoard::TDecode::Good) {
        // Its number is unknown; if it was one of the board's, the next good
        // line shows the gap. Noise between lines takes no number.
        ++m_faults.Damaged;
        return;
    }
    ++m_faults.GoodLines;
    TakeMessage(message, sink);
}

void TLapBoardReceiver::TakeMessage(const LapBoard::TMessage& message, TLapBoardSink& sink)
{
    if (message.Kind == TKind::Hello) {
        // An answer to "?" keeps the numbering; a hello that does not follow
        // on is a board that restarted, its clock beginning again.
        if (m_greeted && m_haveSeq && message.Seq == uint8_t(m_lastSeq + 1) &&
            message.Protocol == LapBoard::ProtocolVersion) {
            m_lastSeq = message.Seq;
            sink.Hello(message.Protocol, message.Text.data(), false);
            return;
        }
        // A board of another protocol version is not listened to at all.
        m_greeted = message.Protocol == LapBoard::ProtocolVersion;
        m_haveSeq = true;
        m_lastSeq = message.Seq;
        m_levelsTrusted = false;
        m_haveTime = false;
        sink.Hello(message.Protocol, message.Text.data(), true);
        return;
    }
    if (!m_greeted)
        return;  // what came before the hello (a boot loader's bytes) means nothing yet
    if (m_haveSeq && message.Seq != uint8_t(m_lastSeq + 1)) {
        ++m_faults.Gaps;
        m_levelsTrusted = false;
    }
    m_haveSeq = true;
    m_lastSeq = message.Seq;

    switch (message.Kind) {
    case TKind::Event: {
        const int64_t boardUs = ExtendTime(message.TimeUs);
        if (m_levelsTrusted) {
            const uint8_t arrived = uint8_t(message.Levels & ~m_levels);
            for (int sensor = 1; sensor <= 4; ++sensor)
                if (arrived & (1u << (sensor - 1)))
                    sink.Arrival(sensor, boardUs);
        }
        m_levels = message.Levels;
        m_levelsTrusted = true;
        sink.Levels(m_levels);
        break;
    }
    case TKind::Heartbeat:
        ExtendTime(message.TimeUs);
        // A heartbeat states the levels but not when they changed: a change
        // seen only here came with a lost event and makes no lap mark.
        m_levels = message.Levels;
        m_levelsTrusted = true;
        sink.Levels(m_levels);
        break;
    case TKind::Applied: sink.Applied(message.PcSeq, ExtendTime(message.TimeUs), message.Outputs); break;
    case TKind::Refusal:
        if (message.Text[0] == 'L') {  // LOST: the board dropped changes
            ++m_faults.Lost;
            m_levelsTrusted = false;
        } else {
            sink.Refused();
        }
        break;
    case TKind::Hello: break;
    }
}

int64_t TLapBoardReceiver::ExtendTime(uint32_t timeUs)
{
    if (!m_haveTime) {
        m_haveTime = true;
        m_lastTime = timeUs;
        m_lastExtended = timeUs;
        return m_lastExtended;
    }
    // Lines come at least every 100 ms, and an event may be sent a little
    // after a heartbeat taken later: the step is signed and small, so the
    // 32-bit wrap falls out of the subtraction.
    m_lastExtended += int32_t(timeUs - m_lastTime);
    m_lastTime = timeUs;
    return m_lastExtended;
}
