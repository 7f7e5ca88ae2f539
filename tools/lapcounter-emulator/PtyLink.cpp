#include "PtyLink.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

TPtyLink::~TPtyLink() { Close(); }

bool TPtyLink::Open(const std::string& linkPath, std::string& error)
{
    m_linkPath = linkPath;
    return Make(m_port, m_slave, m_watch, error);
}

bool TPtyLink::Make(std::unique_ptr<TPseudoTerminal>& port, int& slave, int& watch, std::string& error) const
{
    port = std::make_unique<TPseudoTerminal>();
    if (!port->Open(error))
        return false;
    const char* path = port->SlavePath().c_str();
    slave = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (slave < 0 || watch < 0 || ::inotify_add_watch(watch, path, IN_OPEN | IN_CLOSE) < 0) {
        error = port->SlavePath() + ": " + std::strerror(errno);
        return false;
    }
    // Named only once watched: a PC that opens it at once is seen opening it.
    return m_linkPath.empty() || port->Link(m_linkPath, error);
}

void TPtyLink::Close()
{
    // The watch goes first: our own closing is not the PC's.
    if (m_watch >= 0)
        ::close(m_watch);
    if (m_slave >= 0)
        ::close(m_slave);
    m_watch = m_slave = -1;
    m_opened = 0;
    m_port.reset();
}

QByteArray TPtyLink::Address() const { return QByteArray::fromStdString(m_port->SlavePath()); }

int TPtyLink::Watch(pollfd* watched)
{
    // The watch first: a PC's opening is known before the bytes it then sends.
    watched[0] = {m_watch, POLLIN, 0};
    watched[1] = {m_port->Master(), POLLIN, 0};
    return 2;
}

void TPtyLink::Serve(const pollfd* watched, int count, QByteArray& received)
{
    if (count < 2 || watched[0].fd != m_watch || watched[1].fd != m_port->Master())
        return;
    if (watched[0].revents != 0) {
        alignas(inotify_event) char events[1024];
        const ssize_t got = ::read(m_watch, events, sizeof events);
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (event->mask & IN_OPEN)
                ++m_opened;
            if (event->mask & IN_CLOSE)
                m_opened = m_opened > 0 ? m_opened - 1 : 0;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
        // A cable's bytes that nobody read are gone when the PC lets go of it.
        if (m_opened == 0)
            ::tcflush(m_slave, TCIFLUSH);
    }
    if (watched[1].revents & POLLIN) {
        char buffer[512];
        const ssize_t got = ::read(m_port->Master(), buffer, sizeof buffer);
        if (got > 0)
            received.append(buffer, got);
    }
}

bool TPtyLink::Write(const QByteArray& bytes)
{
    if (m_opened == 0)
        return false;
    // A full buffer: the PC does not read, and the bytes are lost.
    return ::write(m_port->Master(), bytes.constData(), size_t(bytes.size())) == bytes.size();
}

bool TPtyLink::HangUp(std::string& error)
{
    // The new port takes the fixed name before the old one goes, so that the
    // name is never missing (the old one leaves a name it no longer holds).
    std::unique_ptr<TPseudoTerminal> port;
    int slave = -1;
    int watch = -1;
    if (!Make(port, slave, watch, error)) {
        if (watch >= 0)
            ::close(watch);
        if (slave >= 0)
            ::close(slave);
        return false;
    }
    Close();
    m_port = std::move(port);
    m_slave = slave;
    m_watch = watch;
    m_log("ready " + Address());
    return true;
}
