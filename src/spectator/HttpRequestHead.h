#pragma once

#include <QByteArray>

// What the spectator server makes of the bytes a client has sent so far. The
// server answers only a handful of requests and never reads a body, so all it
// needs is the head: the request line and the headers up to the blank line.
struct THttpRequestHead {
    enum class TVerdict {
        Incomplete,     // no blank line yet: wait for more bytes
        TooLarge,       // the head outgrew the bound: 431
        Malformed,      // not an HTTP/1.x request (or a feed request without a usable key): 400
        NotAllowed,     // a method other than GET: 405
        NotFound,       // any other path: 404
        UpgradeNeeded,  // the feed asked for without a WebSocket upgrade, or of another version: 426
        Page,           // GET /
        Feed,           // GET /feed with a WebSocket upgrade
    };
    TVerdict Verdict = TVerdict::Incomplete;
    qsizetype Length = 0;     // bytes of the head with its blank line, once complete
    QByteArray WebSocketKey;  // Sec-WebSocket-Key of a feed request
};

// Heads longer than this are refused: a phone's browser sends well under a
// kilobyte, and the bound keeps what one connection can cost small.
constexpr qsizetype MaxRequestHeadBytes = 8 * 1024;

// Judges the bytes received so far (they may hold more than the head).
THttpRequestHead JudgeRequestHead(const QByteArray& received);
