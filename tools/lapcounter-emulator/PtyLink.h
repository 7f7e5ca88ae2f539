#pragma once

#include "CounterLink.h"
#include "carrera-emulator/PseudoTerminal.h"

#include <memory>

// A counter on a serial cable: a pseudo-terminal the PC opens as it would a
// USB-serial adapter. What the counter sends while no PC has the port open
// is lost, as on a real cable, not kept for whoever opens it next.
class TPtyLink : public TCounterLink {
public:
    // log: for the "ready <port>" line of a port made anew after a hang-up.
    explicit TPtyLink(TLog log) : m_log(std::move(log)) {}
    ~TPtyLink() override;

    // linkPath: a fixed name for the port (empty: none).
    bool Open(const std::string& linkPath, std::string& error);

    QByteArray Address() const override;
    int Watch(pollfd* watched) override;
    void Serve(const pollfd* watched, int count, QByteArray& received) override;
    bool Write(const QByteArray& bytes) override;
    // The master closes, which the PC sees as a hang-up; a new port takes
    // its place under the fixed name.
    bool HangUp(std::string& error) override;

private:
    // A new pseudo-terminal, watched for the PC opening and closing it.
    bool Make(std::unique_ptr<TPseudoTerminal>& port, int& slave, int& watch, std::string& error) const;
    void Close();

    TLog m_log;
    std::string m_linkPath;
    std::unique_ptr<TPseudoTerminal> m_port;
    // Our own descriptor of the slave, opened before the watch so that it is
    // not counted, to throw away what a PC that went left unread.
    int m_slave = -1;
    // inotify on the slave: it tells when a PC opens or closes it.
    int m_watch = -1;
    int m_opened = 0;  // the PC's descriptors of the slave
};
