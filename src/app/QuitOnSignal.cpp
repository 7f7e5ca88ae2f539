#include "app/QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {
// [0] written by the handler, [1] read by the notifier.
int g_signalSocket[2] = {-1, -1};

#ifndef _WIN32
extern "C" void WriteSignal(int signal)
{
    const int savedErrno = errno;
    const char byte = char(signal);
    // Non-blocking: with the socket full a signal is already waiting anyway.
    [[maybe_unused]] const ssize_t written = ::write(g_signalSocket[0], &byte, 1);
    errno = savedErrno;
}
#endif
}  // namespace

bool TQuitOnSignal::InstallHandlers()
{
#ifdef _WIN32
    return false;
#else
    if (g_signalSocket[0] >= 0)
        return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalSocket) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = WriteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
#endif
}

TQuitOnSignal::TQuitOnSignal(QObject* parent) : QObject(parent)
{
    if (g_signalSocket[1] < 0)
        return;
    m_notifier = new QSocketNotifier(g_signalSocket[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TQuitOnSignal::SignalArrived);
}

void TQuitOnSignal::SignalArrived()
{
#ifndef _WIN32
    char bytes[16];
    while (::read(g_signalSocket[1], bytes, sizeof bytes) > 0) {
    }
#endif
    m_requested = true;
    // exit(), not quit(): a window that would refuse to close must not keep
    // the program alive, and every event loop (a modal window's too) ends.
    QCoreApplication::exit(0);
}
