#include "spectator/SpectatorServer.h"

#include "spectator/HttpRequestHead.h"

#include <QFile>
#include <QNetworkInterface>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>

// Resources of a static library are registered by hand, outside any namespace.
static void InitSpectatorResources() { Q_INIT_RESOURCE(spectator); }

namespace {

// Bounds on what strangers on the network can hold: a club's phones are a
// few dozen at most.
constexpr int MaxOpenRequests = 64;
// A request must be complete, and its answer gone, within this time.
constexpr int RequestTimeoutMs = 10000;
// Nothing a client sends is of use; its messages are refused beyond this.
constexpr quint64 MaxIncomingMessageBytes = 1024;

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

TSpectatorServer::TSpectatorServer(QObject* parent)
    : QObject(parent),
      m_http(new QTcpServer(this)),
      m_feed(new QWebSocketServer(QStringLiteral("Kobalap"), QWebSocketServer::NonSecureMode, this))
{
    InitSpectatorResources();
    m_feed->setHandshakeTimeout(RequestTimeoutMs);
    m_pollTimer.setInterval(100);
    connect(&m_pollTimer, &QTimer::timeout, this, &TSpectatorServer::Poll);
    connect(m_http, &QTcpServer::newConnection, this, &TSpectatorServer::AcceptConnections);
    connect(m_feed, &QWebSocketServer::newConnection, this, &TSpectatorServer::AdmitFeedClients);
}

TSpectatorServer::~TSpectatorServer()
{
    // The clients' disconnected signals must not call back into a half-gone server.
    for (QWebSocket* client : std::as_const(m_feedClients))
        client->disconnect(this);
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
        if (m_requestCount >= MaxOpenRequests) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_requestCount;
        // The head is peeked, not read, so that a feed request can be handed
        // whole to the WebSocket server; a bounded buffer keeps a client that
        // sends without end from filling memory.
        socket->setReadBufferSize(MaxRequestHeadBytes + 1);
        auto* timer = new QTimer(socket);
        timer->setObjectName(QLatin1String(RequestTimerName));
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, socket, &QTcpSocket::abort);
        timer->start(RequestTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { ReadRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this] { --m_requestCount; });
        ReadRequest(socket);
    }
}

void TSpectatorServer::ReadRequest(QTcpSocket* socket)
{
    using TVerdict = THttpRequestHead::TVerdict;
    const TVerdict verdict = JudgeRequestHead(socket->peek(MaxRequestHeadBytes + 1)).Verdict;
    QByteArray answer;
    switch (verdict) {
    case TVerdict::Incomplete: return;
    case TVerdict::Feed: HandOverToFeed(socket); return;
    case TVerdict::Page: answer = PageResponse(); break;
    case TVerdict::TooLarge: answer = ErrorResponse("431 Request Header Fields Too Large"); break;
    case TVerdict::Malformed: answer = ErrorResponse("400 Bad Request"); break;
    case TVerdict::NotAllowed: answer = ErrorResponse("405 Method Not Allowed", "Allow: GET\r\n"); break;
    case TVerdict::NotFound: answer = ErrorResponse("404 Not Found"); break;
    case TVerdict::UpgradeNeeded: answer = ErrorResponse("426 Upgrade Required", "Upgrade: websocket\r\n"); break;
    }
    // One answer per connection; whatever else the client sends is ignored.
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    socket->write(answer);
    socket->disconnectFromHost();
}

void TSpectatorServer::HandOverToFeed(QTcpSocket* socket)
{
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    disconnect(socket, &QTcpSocket::disconnected, socket, nullptr);
    disconnect(socket, &QObject::destroyed, this, nullptr);
    --m_requestCount;
    delete socket->findChild<QTimer*>(QLatin1String(RequestTimerName));
    if (m_feedClients.size() >= MaxFeedClients) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    // The WebSocket layer reads frames as they come and bounds them itself.
    socket->setReadBufferSize(0);
    m_feed->handleConnection(socket);
}

void TSpectatorServer::AdmitFeedClients()
{
    while (QWebSocket* client = m_feed->nextPendingConnection()) {
        // Handshakes handed over before the crowd filled up finish here: the
        // bound must hold for them too, or a burst of phones gets past it.
        if (m_feedClients.size() >= MaxFeedClients) {
            client->abort();
            client->deleteLater();
            continue;
        }
        client->setParent(this);
        client->setMaxAllowedIncomingFrameSize(MaxIncomingMessageBytes);
        client->setMaxAllowedIncomingMessageSize(MaxIncomingMessageBytes);
        connect(client, &QWebSocket::disconnected, this, [this, client] { ForgetFeedClient(client); });
        // The newcomer gets the race as it is now; the others only if it changed.
        Poll();
        m_feedClients.append(client);
        if (!m_pollTimer.isActive())
            m_pollTimer.start();
        Send(client);
    }
}

void TSpectatorServer::ForgetFeedClient(QWebSocket* client)
{
    if (m_feedClients.removeOne(client))
        client->deleteLater();
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
    m_documentText = QString::fromUtf8(m_document);
    // A copy: Send may drop a client from the list.
    const QList<QWebSocket*> clients = m_feedClients;
    for (QWebSocket* client : clients)
        Send(client);
}

void TSpectatorServer::Send(QWebSocket* client)
{
    if (m_document.isEmpty())
        return;
    // Judged before the send: what is queued now has had a whole poll to go
    // out, so a backlog beyond the bound is a phone that stopped reading, and
    // it is dropped rather than queued for. A client holds at most the bound
    // plus one document.
    if (client->bytesToWrite() > MaxUnsentFeedBytes) {
        client->disconnect(this);
        ForgetFeedClient(client);
        client->abort();
        return;
    }
    client->sendTextMessage(m_documentText);
}
