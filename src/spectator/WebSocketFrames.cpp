#include "spectator/WebSocketFrames.h"

#include <QCryptographicHash>

namespace WebSocketFrames {

namespace {

enum TOpcode : quint8 {
    Continuation = 0x0,
    Text = 0x1,
    Binary = 0x2,
    CloseOp = 0x8,
    Ping = 0x9,
    Pong = 0xA,
};

QByteArray Frame(quint8 opcode, const QByteArray& payload)
{
    QByteArray frame;
    frame.reserve(payload.size() + 10);
    frame += char(0x80 | opcode);  // FIN: every frame is a whole message
    const qsizetype size = payload.size();
    if (size < 126) {
        frame += char(size);
    } else if (size <= 0xFFFF) {
        frame += char(126);
        frame += char(size >> 8);
        frame += char(size & 0xFF);
    } else {
        frame += char(127);
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += char((quint64(size) >> shift) & 0xFF);
    }
    frame += payload;
    return frame;
}

TClientFrame Refuse(quint16 code)
{
    TClientFrame frame;
    frame.Kind = TClientFrame::TKind::Refused;
    frame.Code = code;
    return frame;
}

}  // namespace

QByteArray AcceptKey(const QByteArray& clientKey)
{
    return QCryptographicHash::hash(clientKey + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11", QCryptographicHash::Sha1)
        .toBase64();
}

QByteArray TextFrame(const QByteArray& utf8) { return Frame(Text, utf8); }

QByteArray PongFrame(const QByteArray& payload) { return Frame(Pong, payload); }

QByteArray CloseFrame(quint16 code)
{
    QByteArray payload;
    payload += char(code >> 8);
    payload += char(code & 0xFF);
    return Frame(CloseOp, payload);
}

TClientFrame ReadClientFrame(const QByteArray& received)
{
    TClientFrame frame;
    if (received.size() < 2)
        return frame;
    const auto first = quint8(received[0]);
    const auto second = quint8(received[1]);
    const bool fin = first & 0x80;
    const quint8 opcode = first & 0x0F;
    const bool control = opcode & 0x08;
    // No extension was agreed, so the reserved bits must be clear; a client
    // must mask every frame (RFC 6455 5.1), so an unmasked one is refused at
    // once, whatever follows.
    if ((first & 0x70) != 0 || !(second & 0x80))
        return Refuse(ProtocolError);
    if (opcode != Continuation && opcode != Text && opcode != Binary && opcode != CloseOp && opcode != Ping &&
        opcode != Pong)
        return Refuse(ProtocolError);
    quint64 payloadSize = second & 0x7F;
    qsizetype headSize = 2;
    if (payloadSize == 126 || payloadSize == 127) {
        // Control frames carry at most 125 bytes and cannot be split.
        if (control)
            return Refuse(ProtocolError);
        const int sizeBytes = payloadSize == 126 ? 2 : 8;
        if (received.size() < 2 + sizeBytes)
            return frame;
        payloadSize = 0;
        for (int i = 0; i < sizeBytes; ++i)
            payloadSize = (payloadSize << 8) | quint8(received[2 + i]);
        headSize += sizeBytes;
    }
    if (control && !fin)
        return Refuse(ProtocolError);
    if (payloadSize > quint64(MaxClientPayloadBytes))
        return Refuse(TooBig);
    const qsizetype maskAt = headSize;
    headSize += 4;
    const qsizetype length = headSize + qsizetype(payloadSize);
    if (received.size() < length)
        return frame;

    frame.Length = length;
    if (opcode == Ping) {
        frame.Kind = TClientFrame::TKind::Ping;
        frame.Payload = received.mid(headSize, qsizetype(payloadSize));
        for (qsizetype i = 0; i < frame.Payload.size(); ++i)
            frame.Payload[i] = char(frame.Payload[i] ^ received[maskAt + (i % 4)]);
    } else if (opcode == CloseOp) {
        // A close frame carries no payload or a two-byte code and a reason.
        if (payloadSize == 1)
            return Refuse(ProtocolError);
        frame.Kind = TClientFrame::TKind::Close;
        if (payloadSize >= 2)
            frame.Code = quint16((quint8(received[headSize] ^ received[maskAt]) << 8) |
                                 quint8(received[headSize + 1] ^ received[maskAt + 1]));
    } else {
        frame.Kind = TClientFrame::TKind::Other;
    }
    return frame;
}

}  // namespace WebSocketFrames
