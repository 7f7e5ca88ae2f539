#include "OutgoingWire.h"

#include <algorithm>

void TOutgoingWire::Send(const TOutgoing& message)
{
    TPiece piece{message.Bytes, message.AtMs * 1000, 0, -1, true, true, message.SentLine, message.LostLine};
    if (m_splitGapMs < 0 || message.Bytes.size() < 2) {
        m_pieces.push_back(piece);
        return;
    }
    TPiece second = piece;
    const qsizetype half = message.Bytes.size() / 2;
    piece.Bytes = message.Bytes.left(half);
    piece.Last = false;
    second.Bytes = message.Bytes.mid(half);
    second.GapUs = m_splitGapMs * 1000;
    second.First = false;
    m_splitGapMs = -1;
    m_pieces.push_back(piece);
    m_pieces.push_back(second);
}

void TOutgoingWire::Pump(int64_t nowUs, int64_t silentUntilMs, const TWrite& write)
{
    const int64_t silentUntilUs = silentUntilMs * 1000;
    while (!m_pieces.empty() && nowUs >= silentUntilUs) {
        TPiece& piece = m_pieces.front();
        // The wire takes the piece once it is sent, the piece before it is
        // out, and the counter speaks again.
        if (piece.DoneUs < 0)
            piece.DoneUs =
                std::max({piece.NotBeforeUs, m_wireFreeUs + piece.GapUs, silentUntilUs}) + WireUs(piece.Bytes.size());
        if (nowUs < piece.DoneUs)
            return;
        if (piece.First)
            m_unheard = false;
        m_unheard = !write(piece.Bytes) || m_unheard;
        m_wireFreeUs = piece.DoneUs;
        const TPiece done = piece;
        m_pieces.pop_front();
        if (!done.Last)
            continue;
        const QByteArray& line = m_unheard ? done.LostLine : done.SentLine;
        if (!line.isEmpty())
            m_log(line);
    }
}

void TOutgoingWire::Drop()
{
    for (const TPiece& piece : m_pieces) {
        if (piece.Last && !piece.LostLine.isEmpty())
            m_log(piece.LostLine);
    }
    m_pieces.clear();
    m_unheard = false;
}
