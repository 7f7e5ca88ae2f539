#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QTcpServer;
class QTcpSocket;
class TFeedClient;
struct THttpRequestHead;

// The spectator page for phones on the club's network: GET / gives one page,
// and GET /feed upgrades to a WebSocket on which the page receives the race as
// a JSON document. The server knows nothing of races: it publishes whatever
// the feed provider returns, polled on a timer and sent only when it changed.
//
// It is read-only and careful about what a client can cost: nothing is served
// from the file system, request heads are bounded, a connection that dawdles
// is closed, no one address can hold more than a few requests open, and a
// phone that stops reading is dropped rather than buffered for without end.
// The WebSocket side is our own (TFeedClient): it bounds every byte a phone
// can make us queue, pongs included, which Qt's own WebSocket does not.
class TSpectatorServer : public QObject {
    Q_OBJECT
public:
    // Unsent bytes a feed client may have queued before it is dropped: a few
    // documents' worth, so a phone on weak Wi-Fi rides out a stall.
    static constexpr qint64 MaxUnsentFeedBytes = 256 * 1024;
    // Feed clients at once: a club's phones are a few dozen at most.
    static constexpr int MaxFeedClients = 256;
    // Requests whose head has not come in or whose answer has not gone out,
    // in all and from one address. A newcomer beyond either bound takes the
    // place of a request that has waited longer than RequestGraceMs: the
    // oldest of its own address when that address has its share, else the
    // oldest of the address holding the most such; failing that it is turned
    // away. So a device that opens connections and dawdles on them crowds out
    // only itself, and a phone whose head comes promptly is never cut short.
    static constexpr int MaxOpenRequests = 64;
    static constexpr int MaxOpenRequestsPerAddress = 8;
    static constexpr int RequestGraceMs = 1000;
    // A request head must be complete this long after connecting (a phone's
    // is one packet; this leaves room for a weak Wi-Fi's retries), and its
    // answer gone this long after that.
    static constexpr int HeadTimeoutMs = 5000;
    static constexpr int AnswerTimeoutMs = 10000;

    explicit TSpectatorServer(QObject* parent = nullptr);
    ~TSpectatorServer() override;

    // Starts listening; false with the reason in error when the port cannot
    // be had (say another program holds it). Port 0 takes any free port.
    bool Listen(const QHostAddress& address, quint16 port, QString& error);
    bool IsListening() const;
    quint16 Port() const;
    // Where phones find the page: "Spectator page: http://192.168.1.20:8080/".
    QString ListenText() const;

    // The document the feed publishes; called on the poll timer while anyone
    // is watching, so it must be cheap.
    void SetFeedProvider(std::function<QByteArray()> provider);
    // How often the provider is asked (100 ms unless set: at most about ten
    // updates a second, plenty for a lap board).
    void SetPollInterval(int ms);

    int FeedClientCount() const { return int(m_feedClients.size()); }

private:
    struct TOpenRequest {
        QTcpSocket* Socket;
        QHostAddress Peer;
        qint64 OpenedMs;
    };

    void AcceptConnections();
    // False when the newcomer from peer is to be turned away.
    bool MakeRoomFor(const QHostAddress& peer);
    qsizetype OldestSlowRequestOfBusiestAddress(qint64 now) const;
    void ForgetRequest(QTcpSocket* socket);
    void ReadRequest(QTcpSocket* socket);
    void HandOverToFeed(QTcpSocket* socket, const THttpRequestHead& head);
    void ForgetFeedClient(TFeedClient* client);
    void Poll();

    QTcpServer* m_http;
    QTimer m_pollTimer;
    QElapsedTimer m_uptime;
    std::function<QByteArray()> m_provider;
    QByteArray m_document;
    QByteArray m_frame;              // the document as a WebSocket text frame
    QList<TOpenRequest> m_requests;  // the oldest first
    QList<TFeedClient*> m_feedClients;
};
