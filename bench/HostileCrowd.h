#pragma once

// Hostile clients beside the spectators' phones for the feed benchmark, each
// from a loopback address of its own (127.0.2.x) as separate devices would
// be, on a thread of their own with plain sockets. They come in four kinds,
// in turn: a client that floods pings and never reads, one that trickles a
// request head a byte at a time, one that sends a handshake with two bad
// bytes and closes, over and over, and one that sends an unmasked frame
// after its handshake, over and over. Each reconnects when the server lets
// it go.
#include "support/LoopbackSocket.h"

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

class THostileCrowd {
public:
    THostileCrowd(int clients, quint16 port) : m_fds(size_t(clients), -1), m_port(port)
    {
        if (clients > 0)
            m_thread = std::thread([this] { Run(); });
    }
    ~THostileCrowd() { Stop(); }
    THostileCrowd(const THostileCrowd&) = delete;
    THostileCrowd& operator=(const THostileCrowd&) = delete;

    void Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

    int64_t Connections() const { return m_connections.load(); }
    int64_t BytesSent() const { return m_bytesSent.load(); }

private:
    static constexpr const char* Handshake =
        "GET /feed HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";

    int Connect(size_t index)
    {
        // Each from an address of its own (127.0.2.x), as many devices would.
        const int fd = ConnectFromLoopback(INADDR_LOOPBACK + 0x200 + 1 + uint32_t(index % 250), m_port, 100'000);
        if (fd < 0)
            return -1;
        m_connections.fetch_add(1);
        return fd;
    }

    // False when the server has let the connection go.
    bool Send(int fd, const QByteArray& bytes)
    {
        const ssize_t sent = ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0)
            m_bytesSent.fetch_add(sent);
        return sent >= 0 || errno == EAGAIN;
    }

    void Run()
    {
        QByteArray pings;
        for (int i = 0; i < 32; ++i)  // 125 bytes each, masked with zeros
            pings += QByteArray("\x89\xfd\0\0\0\0", 6) + QByteArray(125, 'p');
        const QByteArray unmasked("\x81\x05hello", 7);
        int round = 0;
        while (!m_stop) {
            for (size_t i = 0; i < m_fds.size() && !m_stop; ++i) {
                int& fd = m_fds[i];
                const bool fresh = fd < 0;
                if (fresh && (fd = Connect(i)) < 0)
                    continue;
                bool keep = true;
                switch (i % 4) {
                case 0: keep = (!fresh || Send(fd, Handshake)) && Send(fd, pings); break;
                case 1: keep = Send(fd, fresh ? QByteArray("GET / HTTP/1.1\r\nX-Slow: ") : QByteArray("a")); break;
                case 2:
                    Send(fd, QByteArray(Handshake) + "\r\n");
                    keep = false;
                    break;
                case 3:  // a new try every 100 ms
                    keep = fresh || round % 5 != 0;
                    if (fresh)
                        Send(fd, QByteArray(Handshake) + unmasked);
                    break;
                }
                if (!keep) {
                    ::close(fd);
                    fd = -1;
                }
            }
            ++round;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        for (int& fd : m_fds)
            if (fd >= 0)
                ::close(fd);
    }

    std::vector<int> m_fds;
    const quint16 m_port;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int64_t> m_connections{0};
    std::atomic<int64_t> m_bytesSent{0};
};
