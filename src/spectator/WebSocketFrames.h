#pragma once

#include <QByteArray>

// The little of WebSocket (RFC 6455) the spectator feed needs, apart from
// sockets: the handshake's answer, the frames the server sends, and a reader
// for what a client sends. The feed only ever talks; a client's own messages
// are read to be discarded, so the reader keeps nothing but the frame it is
// in and refuses anything larger than a control frame could be.
namespace WebSocketFrames {

// Client frames longer than this are refused (1009): a page sends nothing of
// use, and the bound keeps a client's unread frame small.
constexpr qsizetype MaxClientPayloadBytes = 1024;

enum TCloseCode : quint16 {
    Normal = 1000,
    ProtocolError = 1002,
    TooBig = 1009,
};

// Sec-WebSocket-Accept for the client's Sec-WebSocket-Key.
QByteArray AcceptKey(const QByteArray& clientKey);
// The server's frames: whole, unmasked, as RFC 6455 has a server send them.
QByteArray TextFrame(const QByteArray& utf8);
QByteArray PongFrame(const QByteArray& payload);
QByteArray CloseFrame(quint16 code);

struct TClientFrame {
    enum class TKind {
        Incomplete,  // more bytes are needed; nothing was taken
        Ping,        // answer with a pong carrying Payload
        Close,       // the client leaves; Code is its reason (Normal if none)
        Other,       // a data frame or pong: read and discarded
        Refused,     // close the connection with Code
    };
    TKind Kind = TKind::Incomplete;
    quint16 Code = Normal;
    QByteArray Payload;    // unmasked, for a ping
    qsizetype Length = 0;  // bytes the frame took from the front of the input
};

// Reads the frame at the front of bytes received from a client.
TClientFrame ReadClientFrame(const QByteArray& received);

}  // namespace WebSocketFrames
