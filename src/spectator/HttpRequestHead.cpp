#include "spectator/HttpRequestHead.h"

#include <QList>

namespace {

using TVerdict = THttpRequestHead::TVerdict;

bool IsToken(const QByteArray& word)
{
    if (word.isEmpty())
        return false;
    for (const char c : word)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return true;
}

// Whether a comma-separated header value names the word, as "Connection:
// keep-alive, Upgrade" does.
bool ListNames(const QByteArray& value, const char* word)
{
    for (const QByteArray& part : value.split(','))
        if (part.trimmed().compare(word, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The request line as HTTP/1.x has it: "GET /path HTTP/1.1".
bool IsRequestLine(const QByteArray& line, QList<QByteArray>& parts)
{
    parts = line.split(' ');
    return parts.size() == 3 && IsToken(parts[0]) && parts[1].startsWith('/') &&
           (parts[2] == "HTTP/1.1" || parts[2] == "HTTP/1.0");
}

// A CR or LF that is not part of a CR LF (a CR at the very end may still be).
// HTTP ends lines with CR LF only; some servers take a bare CR or LF as a line
// break and others do not, which is how requests get smuggled past one.
bool HasBareLineEnd(const QByteArray& head)
{
    for (qsizetype at = 0; at < head.size(); ++at) {
        if (head[at] == '\r' && at + 1 < head.size() && head[at + 1] != '\n')
            return true;
        if (head[at] == '\n' && (at == 0 || head[at - 1] != '\r'))
            return true;
    }
    return false;
}

}  // namespace

THttpRequestHead JudgeRequestHead(const QByteArray& received)
{
    THttpRequestHead head;
    const qsizetype end = received.indexOf("\r\n\r\n");
    // What follows the head may be a WebSocket frame, which is no concern here.
    const QByteArray headBytes = end < 0 ? received.left(MaxRequestHeadBytes + 1) : received.left(end + 2);
    QList<QByteArray> parts;
    // Whatever can be refused is refused as soon as it arrives rather than
    // after a blank line that may never come: a bare CR or LF, and a request
    // line that is not HTTP/1.x (HTTP/0.9's "GET /" has no version and no
    // headers to end).
    const qsizetype firstLineEnd = headBytes.indexOf("\r\n");
    if (HasBareLineEnd(headBytes) || (firstLineEnd >= 0 && !IsRequestLine(headBytes.left(firstLineEnd), parts))) {
        head.Verdict = TVerdict::Malformed;
        return head;
    }
    if (end < 0) {
        head.Verdict = received.size() > MaxRequestHeadBytes ? TVerdict::TooLarge : TVerdict::Incomplete;
        return head;
    }
    if (end + 4 > MaxRequestHeadBytes) {
        head.Verdict = TVerdict::TooLarge;
        return head;
    }
    head.Length = end + 4;

    // Every line ends in CR LF, as checked above.
    const QList<QByteArray> lines = received.left(end).split('\n');

    bool upgradeToWebSocket = false;
    bool connectionUpgrade = false;
    QByteArray version;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !IsToken(line.left(colon))) {
            head.Verdict = TVerdict::Malformed;
            return head;
        }
        const QByteArray name = line.left(colon);
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name.compare("Upgrade", Qt::CaseInsensitive) == 0)
            upgradeToWebSocket = ListNames(value, "websocket");
        else if (name.compare("Connection", Qt::CaseInsensitive) == 0)
            connectionUpgrade = connectionUpgrade || ListNames(value, "upgrade");
        else if (name.compare("Sec-WebSocket-Key", Qt::CaseInsensitive) == 0)
            head.WebSocketKey = value;
        else if (name.compare("Sec-WebSocket-Version", Qt::CaseInsensitive) == 0)
            version = value;
    }

    if (parts[0] != "GET") {
        head.Verdict = TVerdict::NotAllowed;
        return head;
    }
    // The query is of no interest (a phone may add one to defeat a cache); the
    // path is matched as sent, so nothing like "/../" can ever name a file.
    const qsizetype query = parts[1].indexOf('?');
    const QByteArray path = query < 0 ? parts[1] : parts[1].left(query);
    if (path == "/")
        head.Verdict = TVerdict::Page;
    else if (path != "/feed")
        head.Verdict = TVerdict::NotFound;
    else if (!upgradeToWebSocket || !connectionUpgrade || version != "13")
        head.Verdict = TVerdict::UpgradeNeeded;
    else
        // The key is 16 random bytes in base64 (RFC 6455 4.1).
        head.Verdict = QByteArray::fromBase64(head.WebSocketKey).size() == 16 && head.WebSocketKey.size() == 24
                           ? TVerdict::Feed
                           : TVerdict::Malformed;
    return head;
}
