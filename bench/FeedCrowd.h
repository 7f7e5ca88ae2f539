#pragma once

// A crowd of spectators' phones for the feed benchmark: WebSocket clients on
// a thread of their own, so that their work is not counted as the server's
// (they still share the machine's cores with it). Each client reads every
// document and notes when it first saw each new lap of each track, on the
// steady clock the race runs on, so the moment can be set against the
// simulator's crossing times.
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <ctime>
#include <vector>

// Microseconds of std::chrono::steady_clock: the race clock's own time base
// (TSteadyPerfCounter), so a client's receipt and a car's crossing compare.
inline int64_t SteadyNowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// CPU time used so far by the calling thread.
inline double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

class TFeedCrowd {
public:
    static constexpr int Tracks = 4;
    // Handshakes under way at once. The server keeps only a few requests of
    // one address open (these clients all come from 127.0.0.1), and phones at
    // a club arrive over minutes, not all in the same millisecond.
    static constexpr int OpeningAtOnce = 8;
    static constexpr int AttemptsPerClient = 3;

    struct TClient {
        QWebSocket* Socket = nullptr;
        bool Opening = false;
        bool Connected = false;  // the handshake succeeded (at some attempt)
        bool Dropped = false;    // lost after connecting, before Close
        int Attempts = 0;
        int64_t Messages = 0;
        std::array<int32_t, Tracks> LapsSeen{};
        // [track - 1][lap]: when this client first saw the lap, 0 if never.
        std::array<std::vector<int64_t>, Tracks> FirstSeenUs;
    };

    TFeedCrowd(int clients, int maxLaps) : m_clients(size_t(clients))
    {
        for (TClient& client : m_clients)
            for (std::vector<int64_t>& laps : client.FirstSeenUs)
                laps.assign(size_t(maxLaps) + 1, 0);
        m_context = new QObject;
        m_context->moveToThread(&m_thread);
        m_thread.start();
    }
    ~TFeedCrowd() { Close(); }
    TFeedCrowd(const TFeedCrowd&) = delete;
    TFeedCrowd& operator=(const TFeedCrowd&) = delete;

    // Opens every client on url and runs the calling thread's events (the
    // server lives there) until each client has connected or given up, or
    // timeoutMs have passed.
    void Connect(const QUrl& url, int timeoutMs)
    {
        QMetaObject::invokeMethod(m_context, [this, url] {
            m_url = url;
            OpenMore();
        });
        QEventLoop loop;
        QTimer check;
        const int64_t deadlineUs = SteadyNowUs() + int64_t(timeoutMs) * 1000;
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (ConnectedCount() + FailedCount() >= int(m_clients.size()) || SteadyNowUs() >= deadlineUs)
                loop.quit();
        });
        check.start(10);
        loop.exec();
    }

    int ConnectedCount() const { return m_connected.load(); }
    int FailedCount() const { return m_failed.load(); }
    int DroppedCount() const { return m_dropped.load(); }

    // CPU time the clients' thread has used so far.
    double CpuSeconds()
    {
        double seconds = 0;
        if (m_thread.isRunning())
            QMetaObject::invokeMethod(
                m_context, [&seconds] { seconds = ThreadCpuSeconds(); }, Qt::BlockingQueuedConnection);
        return seconds;
    }

    // Closes every client and ends the thread; Clients() may be read after.
    void Close()
    {
        if (!m_thread.isRunning())
            return;
        QMetaObject::invokeMethod(
            m_context,
            [this] {
                m_closing = true;
                for (TClient& client : m_clients) {
                    delete client.Socket;
                    client.Socket = nullptr;
                }
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
        delete m_context;
        m_context = nullptr;
    }

    const std::vector<TClient>& Clients() const { return m_clients; }

private:
    // Everything below runs on the clients' thread.
    void OpenMore()
    {
        while (m_opening < OpeningAtOnce && m_next < m_clients.size())
            Open(m_next++);
    }

    void Open(size_t index)
    {
        TClient& client = m_clients[index];
        if (!client.Socket) {
            client.Socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, m_context);
            QObject::connect(client.Socket, &QWebSocket::connected, m_context, [this, index] { Opened(index); });
            QObject::connect(client.Socket, &QWebSocket::stateChanged, m_context,
                             [this, index](QAbstractSocket::SocketState state) {
                                 if (state == QAbstractSocket::UnconnectedState)
                                     Lost(index);
                             });
            QObject::connect(client.Socket, &QWebSocket::textMessageReceived, m_context,
                             [this, index](const QString& message) { Received(m_clients[index], message); });
        }
        ++client.Attempts;
        client.Opening = true;
        ++m_opening;
        client.Socket->open(m_url);
    }

    void Opened(size_t index)
    {
        TClient& client = m_clients[index];
        client.Opening = false;
        client.Connected = true;
        --m_opening;
        m_connected.fetch_add(1);
        OpenMore();
    }

    void Lost(size_t index)
    {
        TClient& client = m_clients[index];
        if (m_closing)
            return;
        if (client.Connected) {
            if (!client.Dropped)
                m_dropped.fetch_add(1);
            client.Dropped = true;
            return;
        }
        if (!client.Opening)
            return;
        client.Opening = false;
        --m_opening;
        if (client.Attempts < AttemptsPerClient) {
            QTimer::singleShot(100, m_context, [this, index] { Open(index); });
            return;
        }
        m_failed.fetch_add(1);
        OpenMore();
    }

    static void Received(TClient& client, const QString& message)
    {
        const int64_t nowUs = SteadyNowUs();
        ++client.Messages;
        const QJsonArray drivers =
            QJsonDocument::fromJson(message.toUtf8()).object().value(QLatin1String("drivers")).toArray();
        for (const QJsonValue& value : drivers) {
            const QJsonObject driver = value.toObject();
            const int track = driver.value(QLatin1String("track")).toInt();
            if (track < 1 || track > Tracks)
                continue;
            // "12.40": whole laps before the point, sections after it.
            const int laps = driver.value(QLatin1String("laps")).toString().section(QLatin1Char('.'), 0, 0).toInt();
            int32_t& seen = client.LapsSeen[size_t(track - 1)];
            std::vector<int64_t>& firstSeen = client.FirstSeenUs[size_t(track - 1)];
            for (int lap = std::max(seen + 1, 1); lap <= laps && lap < int(firstSeen.size()); ++lap)
                firstSeen[size_t(lap)] = nowUs;
            seen = std::max(seen, int32_t(laps));
        }
    }

    std::vector<TClient> m_clients;
    QThread m_thread;
    QObject* m_context = nullptr;  // lives on m_thread; parent of the sockets
    QUrl m_url;
    size_t m_next = 0;
    int m_opening = 0;
    bool m_closing = false;
    std::atomic<int> m_connected{0};
    std::atomic<int> m_failed{0};
    std::atomic<int> m_dropped{0};
};
