#include "spectator/SpectatorServer.h"
#include "support/LoopbackSocket.h"
#include "support/TestSupport.h"

#include <QTcpSocket>
#include <QWebSocket>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QByteArray Upgrade =
    "GET /feed HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";

// A client's short frame, masked as RFC 6455 has clients send them.
QByteArray Masked(char firstByte, const QByteArray& payload)
{
    const QByteArray mask("\x37\xfa\x21\x3d", 4);
    QByteArray frame = QByteArray(1, firstByte) + char(0x80 | payload.size()) + mask;
    for (qsizetype i = 0; i < payload.size(); ++i)
        frame += char(payload[i] ^ mask[i % 4]);
    return frame;
}

// A connection to the server from the given loopback address ("127.0.1.7"),
// -1 if the server's backlog kept it out for now.
int ConnectFrom(const char* source, quint16 port)
{
    in_addr address{};
    ::inet_pton(AF_INET, source, &address);
    return ConnectFromLoopback(ntohl(address.s_addr), port, 200'000);
}

bool SendAll(int fd, const QByteArray& bytes)
{
    return ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == ssize_t(bytes.size());
}

// Until stop, each kind from addresses of its own: four clients flooding
// pings and never reading, 300 handshakes each followed by two bad bytes and
// a close (every fourth a reset) from 50 addresses, and one device with 300
// connections trickling a head a byte at a time.
void RunHostileCrowd(quint16 port, const std::atomic<bool>& stop)
{
    const QByteArray pings = Masked(char(0x89), QByteArray(125, 'p')).repeated(64);
    std::vector<int> flooders(4, -1);
    std::vector<int> tricklers(300, -1);
    int handshakes = 0;
    while (!stop) {
        for (int& fd : flooders) {
            if (fd < 0 && (fd = ConnectFrom("127.0.0.3", port)) >= 0)
                SendAll(fd, Upgrade);
            if (fd >= 0 && ::send(fd, pings.constData(), size_t(pings.size()), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
                errno != EAGAIN) {
                ::close(fd);
                fd = -1;
            }
        }
        for (int i = 0; i < 20 && handshakes < 300 && !stop; ++i, ++handshakes) {
            const int fd = ConnectFrom(qPrintable(QStringLiteral("127.0.1.%1").arg(1 + handshakes % 50)), port);
            if (fd < 0)
                continue;
            SendAll(fd, Upgrade + (handshakes % 2 ? QByteArray("\r\n") : QByteArray("\x81\x80")));
            const linger reset{1, 0};
            if (handshakes % 4 == 0)
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            ::close(fd);
        }
        for (int& fd : tricklers) {
            if (stop)
                break;
            if (fd < 0 && (fd = ConnectFrom("127.0.0.2", port)) >= 0)
                SendAll(fd, "GET / HTTP/1.1\r\nX-Slow: ");
            else if (fd >= 0 && ::send(fd, "a", 1, MSG_NOSIGNAL | MSG_DONTWAIT) < 0 && errno != EAGAIN) {
                ::close(fd);
                fd = -1;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (const std::vector<int>* fds : {&flooders, &tricklers})
        for (int fd : *fds)
            if (fd >= 0)
                ::close(fd);
}

// Reads what fd receives until it holds size bytes or ms have passed, running
// the server meanwhile; false once the server has closed the connection.
bool Receive(int fd, QByteArray& received, qsizetype size, int ms)
{
    QElapsedTimer waited;
    waited.start();
    char buffer[4096];
    while (received.size() < size && waited.elapsed() < ms) {
        QCoreApplication::processEvents();
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, 10) != 1)
            continue;
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            return false;
        received.append(buffer, got);
    }
    return true;
}

qint64 ResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

}  // namespace

// The spectator server through real sockets on this computer.
class TestSpectatorServer : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestWorkDir> m_dir;
    std::unique_ptr<TSpectatorServer> m_server;
    QByteArray m_document;

    // Sends the bytes and returns all the server answers before it closes.
    QByteArray Exchange(const QByteArray& request)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_server->Port());
        // The server runs meanwhile: it may have a crowd of connections to
        // take in before this one.
        QElapsedTimer waited;
        waited.start();
        while (socket.state() != QAbstractSocket::ConnectedState && waited.elapsed() < 3000)
            QTest::qWait(5);
        if (socket.state() != QAbstractSocket::ConnectedState)
            return "not connected";
        socket.write(request);
        QByteArray answer;
        waited.start();
        while (socket.state() == QAbstractSocket::ConnectedState && waited.elapsed() < 3000) {
            QCoreApplication::processEvents();
            socket.waitForReadyRead(50);
            answer += socket.readAll();
        }
        answer += socket.readAll();
        if (socket.state() == QAbstractSocket::ConnectedState)
            return "still open";
        return answer;
    }

    QUrl FeedUrl() const { return QUrl(QStringLiteral("ws://127.0.0.1:%1/feed").arg(m_server->Port())); }

private slots:
    void init()
    {
        m_dir = std::make_unique<TTestWorkDir>();
        m_document = R"({"clock":"1:00","drivers":[{"name":"Anna"}]})";
        m_server = std::make_unique<TSpectatorServer>();
        m_server->SetFeedProvider([this] { return m_document; });
        QString error;
        QVERIFY2(m_server->Listen(QHostAddress::LocalHost, 0, error), qPrintable(error));
        QCOMPARE(m_server->ListenText(),
                 QStringLiteral("Spectator page: http://127.0.0.1:%1/ (this computer only)").arg(m_server->Port()));
    }
    void cleanup() { m_server.reset(); }

    // Each request gets its answer and the connection is closed; the server
    // goes on serving the page afterwards, whatever came before.
    void answers_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("status");  // empty: closed without an answer is fine too
        QTest::newRow("page") << QByteArray("GET /?x=1 HTTP/1.1\r\nHost: a\r\n\r\n") << QByteArray("HTTP/1.1 200 OK");
        QTest::newRow("other path") << QByteArray("GET /other HTTP/1.1\r\n\r\n") << QByteArray("HTTP/1.1 404");
        QTest::newRow("out of the root") << QByteArray("GET /../etc/passwd HTTP/1.1\r\n\r\n")
                                         << QByteArray("HTTP/1.1 404");
        QTest::newRow("file name") << QByteArray("GET /index.html HTTP/1.0\r\n\r\n") << QByteArray("HTTP/1.1 404");
        QTest::newRow("POST") << QByteArray("POST / HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc")
                              << QByteArray("HTTP/1.1 405");
        QTest::newRow("feed, no upgrade") << QByteArray("GET /feed HTTP/1.1\r\n\r\n") << QByteArray("HTTP/1.1 426");
        QTest::newRow("malformed line") << QByteArray("GET/HTTP/1.1\r\n\r\n") << QByteArray("HTTP/1.1 400");
        QTest::newRow("bare LF") << QByteArray("GET / HTTP/1.1\nHost: a\n\n") << QByteArray("HTTP/1.1 400");
        QTest::newRow("bare CR") << QByteArray("GET / HTTP/1.1\r\nHost: a\rX: b\r\n\r\n") << QByteArray("HTTP/1.1 400");
        QTest::newRow("HTTP/0.9") << QByteArray("GET /\r\n") << QByteArray("HTTP/1.1 400");
        QTest::newRow("feed, no key") << QByteArray(Upgrade).replace("Sec-WebSocket-Key", "X")
                                      << QByteArray("HTTP/1.1 400");
        QTest::newRow("feed, version 8") << QByteArray(Upgrade).replace("Version: 13", "Version: 8")
                                         << QByteArray("HTTP/1.1 426");
        QTest::newRow("header without colon")
            << QByteArray("GET / HTTP/1.1\r\nHost a\r\n\r\n") << QByteArray("HTTP/1.1 400");
        QTest::newRow("binary") << QByteArray("\x16\x03\x01\x00\xff\r\n\r\n", 9) << QByteArray("HTTP/1.1 400");
        QTest::newRow("oversized head") << "GET / HTTP/1.1\r\nX: " + QByteArray(9000, 'a') + "\r\n\r\n" << QByteArray();
        QTest::newRow("endless head") << "GET / HTTP/1.1\r\nX: " + QByteArray(100000, 'a') << QByteArray();
    }
    void answers()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, status);
        const QByteArray answer = Exchange(request);
        QVERIFY2(answer != "still open" && answer != "not connected", answer.constData());
        if (!status.isEmpty())
            QVERIFY2(answer.startsWith(status), answer.left(200).constData());
        else
            QVERIFY2(answer.isEmpty() || answer.startsWith("HTTP/1.1 431"), answer.left(200).constData());
        const QByteArray page = Exchange("GET / HTTP/1.1\r\n\r\n");
        QVERIFY(page.startsWith("HTTP/1.1 200 OK"));
        QVERIFY(page.contains("text/html") && page.contains("new WebSocket(") && page.contains("/feed"));
    }

    // A watcher gets the document at once, a changed one soon, and nothing
    // while it stays the same.
    void feedFollowsTheDocument()
    {
        QWebSocket client;
        QStringList received;
        connect(&client, &QWebSocket::textMessageReceived, this, [&](const QString& text) { received << text; });
        client.open(FeedUrl());
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 3000);
        QCOMPARE(received.last().toUtf8(), m_document);

        m_document = R"({"clock":"0:59","drivers":[{"name":"Anna","laps":1}]})";
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 2, 200);
        QCOMPARE(received.last().toUtf8(), m_document);
        QTest::qWait(300);
        QCOMPARE(received.size(), 2);

        // What a watcher sends changes nothing and costs nothing.
        client.sendTextMessage(QStringLiteral(R"({"drivers":[{"name":"Mallory"}]})"));
        QTest::qWait(100);
        m_document = R"({"drivers":[]})";
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 3, 200);
        QCOMPARE(received.last().toUtf8(), m_document);
    }

    // What a watcher sends after its handshake and what the server answers
    // after the document: a pong, or a close with its code (nothing is sent
    // after a close frame). Bytes sent with the handshake by a client that
    // then leaves (with a reset, or a close on 'gone') must not keep a place.
    void feedFrames_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("then");  // "open", "closed", or "reset"/"gone" for bytes sent with the handshake
        QTest::newRow("ping") << Masked(char(0x89), "ab") << QByteArray("\x8a\x02\x61\x62") << "open";
        QTest::newRow("text, discarded") << Masked(char(0x81), "hi") + Masked(char(0x89), "") << QByteArray("\x8a\0", 2)
                                         << "open";
        QTest::newRow("close") << Masked(char(0x88), "\x03\xe9") << QByteArray("\x88\x02\x03\xe8") << "closed";
        QTest::newRow("unmasked") << QByteArray("\x81\x02hi") << QByteArray("\x88\x02\x03\xea") << "closed";
        QTest::newRow("reserved bit") << Masked(char(0xc1), "hi") << QByteArray("\x88\x02\x03\xea") << "closed";
        QTest::newRow("split ping") << Masked(char(0x09), "") << QByteArray("\x88\x02\x03\xea") << "closed";
        QTest::newRow("too big") << QByteArray("\x82\xfe\x07\xd0\x01\x02\x03\x04") << QByteArray("\x88\x02\x03\xf1")
                                 << "closed";
        QTest::newRow("bad bytes, reset") << QByteArray("\r\n") << QByteArray() << "reset";
        QTest::newRow("half a frame, gone") << QByteArray("\x81\x80") << QByteArray() << "gone";
    }
    void feedFrames()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, answer);
        QFETCH(QString, then);
        const int fd = ConnectFrom("127.0.0.1", m_server->Port());
        QVERIFY(fd >= 0);
        if (then == QLatin1String("reset") || then == QLatin1String("gone")) {
            QVERIFY(SendAll(fd, Upgrade + sent));
            const linger reset{1, 0};
            if (then == QLatin1String("reset"))
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            ::close(fd);
            QTest::qWait(200);
            QCOMPARE(m_server->FeedClientCount(), 0);
            return;
        }
        QVERIFY(SendAll(fd, Upgrade));
        const QByteArray welcome =
            "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n\r\n\x81" +
            QByteArray(1, char(m_document.size())) + m_document;
        QByteArray received;
        Receive(fd, received, welcome.size(), 2000);
        QCOMPARE(received, welcome);
        QCOMPARE(m_server->FeedClientCount(), 1);
        received.clear();
        QVERIFY(SendAll(fd, sent));
        const bool open = Receive(fd, received, answer.size(), 2000) && Receive(fd, received, answer.size() + 1, 300);
        ::close(fd);
        QCOMPARE(received, answer);
        QCOMPARE(open, then == QLatin1String("open"));
        QCOMPARE(m_server->FeedClientCount(), open ? 1 : 0);
    }

    // A crowd beyond the bound, arriving a few at a time as one address may,
    // fills the feed to its bound; the rest are turned away, none is left
    // half way.
    void crowdIsBounded()
    {
        std::vector<std::unique_ptr<QWebSocket>> crowd;
        while (crowd.size() < size_t(TSpectatorServer::MaxFeedClients + 60)) {
            for (int i = 0; i < TSpectatorServer::MaxOpenRequestsPerAddress; ++i) {
                crowd.push_back(std::make_unique<QWebSocket>());
                crowd.back()->open(FeedUrl());
            }
            QTRY_VERIFY_WITH_TIMEOUT(
                std::none_of(crowd.begin(), crowd.end(),
                             [](const auto& phone) { return phone->state() == QAbstractSocket::ConnectingState; }),
                5000);
        }
        QTest::qWait(100);
        QCOMPARE(m_server->FeedClientCount(), TSpectatorServer::MaxFeedClients);
    }

    // A phone that stops reading is dropped; the others keep receiving.
    void slowReaderIsDropped()
    {
        m_server->SetPollInterval(5);
        int revision = 0;
        m_server->SetFeedProvider([&revision] { return QByteArray::number(++revision) + QByteArray(64 * 1024, 'x'); });

        QWebSocket reader;
        int readerMessages = 0;
        connect(&reader, &QWebSocket::textMessageReceived, this, [&] { ++readerMessages; });
        reader.open(FeedUrl());
        QTRY_VERIFY_WITH_TIMEOUT(readerMessages > 0, 3000);

        const int stalled = ConnectFrom("127.0.0.1", m_server->Port());
        QVERIFY(stalled >= 0 && SendAll(stalled, Upgrade));
        QTRY_COMPARE_WITH_TIMEOUT(m_server->FeedClientCount(), 2, 3000);

        QTRY_COMPARE_WITH_TIMEOUT(m_server->FeedClientCount(), 1, 10000);
        const int before = readerMessages;
        QTRY_VERIFY_WITH_TIMEOUT(readerMessages > before + 5, 3000);

        // Its socket was closed by the server: what is still on its way
        // drains to an end.
        QByteArray sink;
        const bool open = Receive(stalled, sink, 1 << 30, 3000);
        ::close(stalled);
        QVERIFY(!open);
    }

    // Under a hostile crowd, the program's memory stays bounded, a phone
    // still gets the page and the feed, and every feed place the crowd held
    // is free again once it has gone.
    void hostileCrowd()
    {
        const qint64 before = ResidentBytes();
        std::atomic<bool> stop{false};
        std::thread crowd([port = m_server->Port(), &stop] { RunHostileCrowd(port, stop); });
        QTest::qWait(1500);
        int pages = 0;
        for (int i = 0; i < 10; ++i)
            pages += Exchange("GET / HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 200 OK");
        QWebSocket phone;
        int documents = 0;
        connect(&phone, &QWebSocket::textMessageReceived, this, [&] { ++documents; });
        phone.open(FeedUrl());
        QTRY_VERIFY_WITH_TIMEOUT(documents > 0, 3000);
        const qint64 grown = ResidentBytes() - before;
        stop = true;
        crowd.join();
        QCOMPARE(pages, 10);
        QVERIFY2(grown < 64 * 1024 * 1024, qPrintable(QString::number(grown)));
        QTRY_COMPARE_WITH_TIMEOUT(m_server->FeedClientCount(), 1, 5000);
    }
};

QTEST_GUILESS_MAIN(TestSpectatorServer)
#include "tst_spectatorserver.moc"
