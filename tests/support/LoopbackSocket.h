#pragma once

#include <cstdint>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A raw TCP connection to a server on this computer from a loopback address
// of its own (127.x.y.z, host byte order), so that a test or benchmark can
// play many devices. Sends give up after sendTimeoutUs; the receive buffer is
// small, so what the server sends a client that does not read backs up on
// the server's side soon. -1 when it cannot connect.
inline int ConnectFromLoopback(uint32_t source, uint16_t port, int sendTimeoutUs)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    const timeval patience{0, sendTimeoutUs};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    const int smallBuffer = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &smallBuffer, sizeof smallBuffer);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(source);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
