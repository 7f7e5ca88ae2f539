#include "PseudoTerminal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::string Reason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

TPseudoTerminal::~TPseudoTerminal()
{
    // The link is taken away only while it still names this pseudo-terminal:
    // a newer emulator may have pointed it elsewhere.
    if (!m_link.empty()) {
        char target[256] = {};
        const ssize_t size = ::readlink(m_link.c_str(), target, sizeof target - 1);
        if (size > 0 && m_slavePath == std::string(target, size_t(size)))
            ::unlink(m_link.c_str());
    }
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool TPseudoTerminal::Open(std::string& error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = Reason("pseudo-terminal");
        return false;
    }
    const char* name = ::ptsname(m_master);
    if (name == nullptr) {
        error = Reason("pseudo-terminal name");
        return false;
    }
    m_slavePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0) {
        error = Reason(name);
        return false;
    }
    // Raw: no echo and no line discipline, the bytes pass as on a real cable.
    termios settings{};
    ::tcgetattr(m_slave, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B19200);
    ::tcsetattr(m_slave, TCSANOW, &settings);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return true;
}

bool TPseudoTerminal::Link(const std::string& path, std::string& error)
{
    // An old link is replaced; anything else under that name is left alone.
    struct stat old {};
    if (::lstat(path.c_str(), &old) == 0) {
        if (!S_ISLNK(old.st_mode)) {
            error = path + ": exists and is no link";
            return false;
        }
        ::unlink(path.c_str());
    }
    if (::symlink(m_slavePath.c_str(), path.c_str()) != 0) {
        error = Reason(path.c_str());
        return false;
    }
    m_link = path;
    return true;
}
