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

}  // namespace

THttpRequestHead JudgeRequestHead(const QByteArray& received)
{
    THttpRequestHead head;
    const qsizetype end = received.indexOf("\r\n\r\n");
    if (end < 0) {
        // Lines ended by a bare LF are no HTTP; say so now rather than wait
        // for a blank line that will never come.
        if (received.contains("\n\n") || received.contains("\n\r\n")) {
            head.Verdict = TVerdict::Malformed;
            return head;
        }
        head.Verdict = received.size() > MaxRequestHeadBytes ? TVerdict::TooLarge : TVerdict::Incomplete;
        return head;
    }
    if (end + 4 > MaxRequestHeadBytes) {
        head.Verdict = TVerdict::TooLarge;
        return head;
    }

    const QList<QByteArray> lines = received.left(end).split('\n');
    // Every line must end in CR LF; the last one's CR LF is the blank line's start.
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        if (!lines[i].endsWith('\r')) {
            head.Verdict = TVerdict::Malformed;
            return head;
        }
    const QList<QByteArray> parts = lines[0].trimmed().split(' ');
    if (parts.size() != 3 || !IsToken(parts[0]) || !parts[1].startsWith('/') ||
        (parts[2] != "HTTP/1.1" && parts[2] != "HTTP/1.0")) {
        head.Verdict = TVerdict::Malformed;
        return head;
    }

    bool upgradeToWebSocket = false;
    bool connectionUpgrade = false;
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
    else if (path == "/feed")
        head.Verdict = upgradeToWebSocket && connectionUpgrade ? TVerdict::Feed : TVerdict::UpgradeNeeded;
    else
        head.Verdict = TVerdict::NotFound;
    return head;
}
