#include "CounterWire.h"

namespace CounterWire {
namespace {

QByteArray Hex(int64_t value) { return QByteArray::number(qlonglong(value), 16).toUpper(); }

QByteArray Framed(const QByteArray& body) { return MessageStart + body + MessageEnd; }

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

QByteArray Acknowledge() { return Framed("A"); }

QByteArray Clock(int64_t counterMs) { return Framed('T' + Hex(counterMs)); }

QByteArray Lap(int lane, int64_t counterMs, TLaneForm form)
{
    const QByteArray laneText = form == TLaneForm::TwoDigits ? Hex(lane).rightJustified(2, '0') : Hex(lane) + ',';
    return Framed('L' + laneText + Hex(counterMs));
}

bool Unescape(const QByteArray& text, QByteArray& bytes)
{
    bytes.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size() || text[i + 1] != 'x') {
            bytes += text[i];
            continue;
        }
        if (i + 3 >= text.size())
            return false;
        const int high = HexDigit(text[i + 2]);
        const int low = HexDigit(text[i + 3]);
        if (high < 0 || low < 0)
            return false;
        bytes += char(high * 16 + low);
        i += 3;
    }
    return true;
}

QByteArray Printable(const QByteArray& bytes)
{
    QByteArray text;
    for (const char c : bytes) {
        if (c > ' ' && c < 127 && c != '\\')
            text += c;
        else
            text += "\\x" + Hex(uchar(c)).rightJustified(2, '0');
    }
    return text;
}

bool TRequestReader::Feed(char byte, QByteArray& body)
{
    if (byte == MessageStart) {
        m_inside = true;
        m_body.clear();
        return false;
    }
    if (!m_inside)
        return false;
    if (byte != MessageEnd) {
        if (m_body.size() >= MaxBody)
            Reset();
        else
            m_body += byte;
        return false;
    }
    m_inside = false;
    body = m_body;
    return true;
}

}  // namespace CounterWire
