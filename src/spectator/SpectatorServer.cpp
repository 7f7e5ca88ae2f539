#include "spectator/SpectatorServer.h"

#include "spectator/FeedClient.h"
#include "spectator/HttpRequestHead.h"
#include "spectator/WebSocketFrames.h"

#include <QFile>
#include <QHash>
#include <QNetworkInterface>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

// Resources of a static library are registered by hand, outside any namespace.
static void InitSpectatorResources() { Q_INIT_RESOURCE(spectator); }

namespace {

const char* const RequestTimerName = "spectatorRequestTimer";

QByteArray Response(const QByteArray& status, const QByteArray& contentType, const QByteArray& body,
                    const QByteArray& extraHeaders = {})
{
    QByteArray response = "HTTP/1.1 " + status + "\r\n";
    response += "Content-Type: " + contentType + "\r\n";
    response += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    response += "Cache-Control: no-cache\r\nX-Content-Type-Options: nosniff\r\nConnection: close\r\n";
    response += extraHeaders;
    response += "\r\n";
    response += body;
    return response;
}

QByteArray ErrorResponse(const QByteArray& status, const QByteArray& extraHeaders = {})
{
    return Response(status, "text/plain; charset=utf-8", status + "\n", extraHeaders);
}

QByteArray PageResponse()
{
    QFile page(QStringLiteral(":/spectator/index.html"));
    if (!page.open(QIODevice::ReadOnly))
        return ErrorResponse("500 Internal Server Error");
    return Response("200 OK", "text/html; charset=utf-8", page.readAll());
}

QString UrlOf(const QHostAddress& address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return QStringLiteral("http://%1:%2/").arg(host).arg(port);
}

}  // namespace

TSpectatorServer::TSpectatorServer(QObject* parent) : QObject(parent), m_http(new QTcpServer(this))
{
    InitSpectatorResources();
    m_uptime.start();
    m_pollTimer.setInterval(100);
    connect(&m_pollTimer, &QTimer::timeout, this, &TSpectatorServer::Poll);
    connect(m_http, &QTcpServer::newConnection, this, &TSpectatorServer::AcceptConnections);
}

TSpectatorServer::~TSpectatorServer()
{
    // The clients' and requests' signals must not call back into a half-gone server.
    for (TFeedClient* client : std::as_const(m_feedClients))
        client->disconnect(this);
    for (const TOpenRequest& request : std::as_const(m_requests))
        request.Socket->disconnect(this);
}

bool TSpectatorServer::Listen(const QHostAddress& address, quint16 port, QString& error)
{
    if (m_http->isListening())
        m_http->close();
    if (!m_http->listen(address, port)) {
        error = m_http->errorString();
        return false;
    }
    return true;
}

bool TSpectatorServer::IsListening() const { return m_http->isListening(); }

quint16 TSpectatorServer::Port() const { return m_http->serverPort(); }

QString TSpectatorServer::ListenText() const
{
    if (!m_http->isListening())
        return QStringLiteral("Spectator page: off");
    const QHostAddress bound = m_http->serverAddress();
    const quint16 port = m_http->serverPort();
    if (bound.isLoopback())
        return QStringLiteral("Spectator page: %1 (this computer only)").arg(UrlOf(bound, port));
    if (bound != QHostAddress::Any && bound != QHostAddress::AnyIPv4 && bound != QHostAddress::AnyIPv6)
        return QStringLiteral("Spectator page: %1").arg(UrlOf(bound, port));
    // Bound to every network: the phones need an address of this machine.
    QStringList urls;
    for (const QHostAddress& address : QNetworkInterface::allAddresses())
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            urls << UrlOf(address, port);
    if (urls.isEmpty())
        return QStringLiteral("Spectator page: port %1, but this computer is on no network").arg(port);
    return QStringLiteral("Spectator page: %1").arg(urls.join(QStringLiteral(" or ")));
}

void TSpectatorServer::SetFeedProvider(std::function<QByteArray()> provider) { m_provider = std::move(provider); }

void TSpectatorServer::SetPollInterval(int ms) { m_pollTimer.setInterval(qMax(1, ms)); }

void TSpectatorServer::AcceptConnections()
{
    while (QTcpSocket* socket = m_http->nextPendingConnection()) {
        const QHostAddress peer = socket->peerAddress();
        if (!MakeRoomFor(peer)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_requests.append({socket, peer, m_uptime.elapsed()});
        // The head is peeked, not read, until it is complete; a bounded
        // buffer keeps a client that sends without end from filling memory.
        socket->setReadBufferSize(MaxRequestHeadBytes + 1);
        auto* timer = new QTimer(socket);
        timer->setObjectName(QLatin1String(RequestTimerName));
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, socket, &QTcpSocket::abort);
        timer->start(HeadTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { ReadRequest(socket); });
        connect(socket, &QTcpSocket::errorOccurred, socket, &QTcpSocket::abort);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { ForgetRequest(socket); });
        // A client that connected and closed at once is gone already.
        if (socket->state() != QAbstractSocket::ConnectedState) {
            socket->deleteLater();
            continue;
        }
        ReadRequest(socket);
    }
}

bool TSpectatorServer::MakeRoomFor(const QHostAddress& peer)
{
    const qint64 now = m_uptime.elapsed();
    qsizetype fromPeer = 0;
    qsizetype oldestOfPeer = -1;
    for (qsizetype i = 0; i < m_requests.size(); ++i)
        if (m_requests[i].Peer == peer) {
            if (oldestOfPeer < 0)
                oldestOfPeer = i;
            ++fromPeer;
        }
    qsizetype evicted = -1;
    if (fromPeer >= MaxOpenRequestsPerAddress) {
        if (now - m_requests[oldestOfPeer].OpenedMs >= RequestGraceMs)
            evicted = oldestOfPeer;
    } else if (m_requests.size() >= MaxOpenRequests) {
        evicted = OldestSlowRequestOfBusiestAddress(now);
    } else {
        return true;
    }
    if (evicted < 0)
        return false;
    QTcpSocket* socket = m_requests.takeAt(evicted).Socket;
    socket->abort();
    socket->deleteLater();
    return true;
}

qsizetype TSpectatorServer::OldestSlowRequestOfBusiestAddress(qint64 now) const
{
    // The list runs oldest first, so an address's first request is its
    // oldest, and the slow ones come before the rest.
    QHash<QHostAddress, int> slowCounts;
    int most = 0;
    for (const TOpenRequest& request : m_requests)
        if (now - request.OpenedMs >= RequestGraceMs)
            most = qMax(most, ++slowCounts[request.Peer]);
    if (most == 0)
        return -1;
    for (qsizetype i = 0; i < m_requests.size(); ++i)
        if (slowCounts.value(m_requests[i].Peer) == most)
            return i;
    return -1;
}

void TSpectatorServer::ForgetRequest(QTcpSocket* socket)
{
    for (qsizetype i = 0; i < m_requests.size(); ++i)
        if (m_requests[i].Socket == socket) {
            m_requests.removeAt(i);
            return;
        }
}

void TSpectatorServer::ReadRequest(QTcpSocket* socket)
{
    using TVerdict = THttpRequestHead::TVerdict;
    const THttpRequestHead head = JudgeRequestHead(socket->peek(MaxRequestHeadBytes + 1));
    QByteArray answer;
    switch (head.Verdict) {
    case TVerdict::Incomplete: return;
    case TVerdict::Feed: HandOverToFeed(socket, head); return;
    case TVerdict::Page: answer = PageResponse(); break;
    case TVerdict::TooLarge: answer = ErrorResponse("431 Request Header Fields Too Large"); break;
    case TVerdict::Malformed: answer = ErrorResponse("400 Bad Request"); break;
    case TVerdict::NotAllowed: answer = ErrorResponse("405 Method Not Allowed", "Allow: GET\r\n"); break;
    case TVerdict::NotFound: answer = ErrorResponse("404 Not Found"); break;
    case TVerdict::UpgradeNeeded:
        answer = ErrorResponse("426 Upgrade Required", "Upgrade: websocket\r\nSec-WebSocket-Version: 13\r\n");
        break;
    }
    // One answer per connection; whatever else the client sends is ignored.
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    if (auto* timer = socket->findChild<QTimer*>(QLatin1String(RequestTimerName)))
        timer->start(AnswerTimeoutMs);
    socket->write(answer);
    socket->disconnectFromHost();
}

void TSpectatorServer::HandOverToFeed(QTcpSocket* socket, const THttpRequestHead& head)
{
    disconnect(socket, nullptr, this, nullptr);
    disconnect(socket, &QTcpSocket::disconnected, socket, nullptr);
    disconnect(socket, &QTcpSocket::errorOccurred, socket, nullptr);
    delete socket->findChild<QTimer*>(QLatin1String(RequestTimerName));
    ForgetRequest(socket);
    // A socket closed or failed by now (a client that sent its handshake and
    // left) would never say so again: it takes no place.
    if (m_feedClients.size() >= MaxFeedClients || socket->state() != QAbstractSocket::ConnectedState) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    socket->read(head.Length);
    socket->write(
        "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Accept: " +
        WebSocketFrames::AcceptKey(head.WebSocketKey) + "\r\n\r\n");
    auto* client = new TFeedClient(socket, MaxUnsentFeedBytes, this);
    connect(client, &TFeedClient::Gone, this, &TSpectatorServer::ForgetFeedClient);
    // Belt and braces: a place is never held by a client that is no more.
    connect(client, &QObject::destroyed, this, [this, client] { ForgetFeedClient(client); });
    // Whatever came with the handshake is read first: a client that sent
    // garbage is closed before it takes a place.
    client->Start();
    if (client->IsGone())
        return;
    // The newcomer gets the race as it is now; the others only if it changed.
    Poll();
    m_feedClients.append(client);
    if (!m_pollTimer.isActive())
        m_pollTimer.start();
    if (!m_frame.isEmpty())
        client->Send(m_frame);
}

void TSpectatorServer::ForgetFeedClient(TFeedClient* client)
{
    m_feedClients.removeOne(client);
    if (m_feedClients.isEmpty())
        m_pollTimer.stop();
}

void TSpectatorServer::Poll()
{
    if (!m_provider)
        return;
    QByteArray document = m_provider();
    if (document == m_document)
        return;
    m_document = std::move(document);
    m_frame = WebSocketFrames::TextFrame(m_document);
    // A copy: sending may drop a client from the list.
    const QList<TFeedClient*> clients = m_feedClients;
    for (TFeedClient* client : clients)
        client->Send(m_frame);
}
