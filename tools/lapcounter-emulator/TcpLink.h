#pragma once

#include "CounterLink.h"

// A counter that speaks TCP, as transponder decoders do: it listens on
// 127.0.0.1 and serves one PC at a time; the next may connect once that one
// is gone (until then it waits in the backlog). Logs "connected" and
// "disconnected".
class TTcpLink : public TCounterLink {
public:
    explicit TTcpLink(TLog log) : m_log(std::move(log)) {}
    ~TTcpLink() override;

    // port 0: any free port. False with the reason when it cannot listen.
    bool Listen(int port, std::string& error);

    QByteArray Address() const override;
    int Watch(pollfd* watched) override;
    void Serve(const pollfd* watched, int count, QByteArray& received) override;
    bool Write(const QByteArray& bytes) override;
    bool HangUp(std::string& error) override;

private:
    void Disconnect();

    TLog m_log;
    int m_listener = -1;
    int m_client = -1;
    int m_port = 0;
};
