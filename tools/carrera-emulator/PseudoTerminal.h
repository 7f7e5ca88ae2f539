#pragma once

#include <string>

// The emulator's end of a serial cable: a pseudo-terminal whose other end
// (the slave) the PC opens as it would a USB-serial adapter.
class TPseudoTerminal {
public:
    TPseudoTerminal() = default;
    TPseudoTerminal(const TPseudoTerminal&) = delete;
    TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;
    ~TPseudoTerminal();

    // False with the reason in `error` when no pseudo-terminal could be had.
    bool Open(std::string& error);
    // Points `path` at the slave, replacing what it pointed at, so that a test
    // or a demo can name the port before the emulator runs.
    bool Link(const std::string& path, std::string& error);

    int Master() const { return m_master; }
    const std::string& SlavePath() const { return m_slavePath; }

private:
    int m_master = -1;
    // Held open by the emulator itself: without it the master reads EIO
    // whenever no PC has the port open, and the line's settings are lost.
    int m_slave = -1;
    std::string m_slavePath;
    std::string m_link;
};
