#include "TcpLink.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

TTcpLink::~TTcpLink()
{
    if (m_client >= 0)
        ::close(m_client);
    if (m_listener >= 0)
        ::close(m_listener);
}

bool TTcpLink::Listen(int port, std::string& error)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(m_listener, 4) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        error = "127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    m_port = ntohs(address.sin_port);
    return true;
}

QByteArray TTcpLink::Address() const { return "127.0.0.1:" + QByteArray::number(m_port); }

int TTcpLink::Watch(pollfd* watched)
{
    // While a PC is served the next one waits in the backlog.
    watched[0] = {m_client >= 0 ? m_client : m_listener, POLLIN, 0};
    return 1;
}

void TTcpLink::Serve(const pollfd* watched, int count, QByteArray& received)
{
    if (count < 1 || watched[0].revents == 0)
        return;
    if (watched[0].fd == m_listener && m_client < 0) {
        m_client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (m_client >= 0) {
            // Each message goes out as it is written, as on a serial line.
            const int yes = 1;
            ::setsockopt(m_client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            m_log("connected");
        }
        return;
    }
    if (watched[0].fd != m_client)
        return;
    char buffer[512];
    const ssize_t got = ::read(m_client, buffer, sizeof buffer);
    if (got > 0)
        received.append(buffer, got);
    else if (got == 0 || (errno != EAGAIN && errno != EINTR))
        Disconnect();
}

bool TTcpLink::Write(const QByteArray& bytes)
{
    if (m_client < 0)
        return false;
    // A PC that stopped reading loses what does not fit its socket's buffer.
    const ssize_t put = ::send(m_client, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (put < 0 && errno != EAGAIN)
        Disconnect();
    return put == bytes.size();
}

bool TTcpLink::HangUp(std::string&)
{
    if (m_client >= 0)
        Disconnect();
    return true;
}

void TTcpLink::Disconnect()
{
    ::close(m_client);
    m_client = -1;
    m_log("disconnected");
}
