#pragma once

#include "hardware/ByteWire.h"
#include "hardware/carrera/CarreraLink.h"

#include <QThread>
#include <memory>

struct TCarreraBleShared;
class TCarreraBleSession;

// The Control Unit through Carrera's Bluetooth LE adapter (AppConnect), at a
// device address such as "00:11:22:33:44:55". Qt Bluetooth delivers its
// news as signals, which need an event loop, while the conversation asks
// and waits on a link thread of its own: so the Bluetooth objects live on a
// thread of this wire's own, and the two meet in a buffer guarded by a
// mutex. Opening waits a few seconds at most for the adapter to be ready.
class TCarreraBleWire final : public TByteWire {
public:
    explicit TCarreraBleWire(QString address);
    // The conversation's waits over the adapter: a request and its answer
    // each wait for a connection interval of the radio (tens of ms), so an
    // answer takes longer than on the cable and one lost costs more.
    static TCarreraTimeouts Timeouts();
    ~TCarreraBleWire() override;
    TCarreraBleWire(const TCarreraBleWire&) = delete;
    TCarreraBleWire& operator=(const TCarreraBleWire&) = delete;

    bool Open(QString& problem) override;
    void Close() override;
    void Discard() override;
    bool Send(const QByteArray& request) override;
    bool Receive(QByteArray& bytes, int waitMs) override;

private:
    QString m_address;
    std::shared_ptr<TCarreraBleShared> m_shared;
    std::unique_ptr<QThread> m_thread;
    TCarreraBleSession* m_session = nullptr;  // lives on m_thread
};
