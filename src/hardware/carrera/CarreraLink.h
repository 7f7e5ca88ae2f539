#pragma once

#include "hardware/LinkThread.h"
#include "hardware/carrera/CarreraProtocol.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>

class TByteWire;
struct TCarreraChannels;

// How long the conversation waits for what.
struct TCarreraTimeouts {
    int AnswerMs = 100;    // an answer not complete by then is lost
    int SilenceMs = 500;   // no good answer for this long: the CU is lost
    int VersionTries = 3;  // version requests before the CU counts as missing
    int ReconnectMs = 500;
    int PressRepeatMs = 400;  // a START press the lamps did not follow goes again
};

// The conversation with the Control Unit, run on its own link thread: the
// version request, then polls one after the other, a button press or a
// tower word slipped in between when the program asks for one. Blocking
// calls on a thread of its own keep the window and the race loop free of
// the wire. `device` names the CU in what is said of it.
class TCarreraLink final : public TLinkConversation {
public:
    TCarreraLink(std::unique_ptr<TByteWire> wire, QString device, TCarreraChannels& channels,
                 const TCarreraTimeouts& timeouts);
    ~TCarreraLink() override;
    TCarreraLink(const TCarreraLink&) = delete;
    TCarreraLink& operator=(const TCarreraLink&) = delete;

    // Opens the port and asks for the version; true once the CU answered.
    bool Connect() override;
    // Serves a connected CU until it is lost or a stop is requested.
    void Serve() override;
    void Finish() override;

    // Why Connect failed, naming the device.
    QString ProblemText() const override { return m_problem; }

private:
    using TClock = std::chrono::steady_clock;

    // Sends the request and reads its answer; Invalid when none checked out
    // in time. Sets m_portFailed when the port itself is gone.
    CarreraProtocol::TAnswer Ask(const QByteArray& request);
    // The next whole answer from what came, without its end byte.
    bool TakeMessage(QByteArray& message);
    // An answer to a poll that came after the poll was given up on.
    void TakeLateAnswer(const CarreraProtocol::TAnswer& answer);
    void TakeEvent(const CarreraProtocol::TTimerEvent& event, TClock::time_point received);
    void TakeStatus(const CarreraProtocol::TStatus& status, TClock::time_point sent, TClock::time_point received);
    void ServeStart();
    bool Press(CarreraProtocol::TButton button, TClock::time_point& sent, TClock::time_point& received);
    void ServeStop();
    void ServeTower();
    // The CU's clock at a PC moment, from the last clock reset or the
    // timer events seen since.
    int64_t UnitUsAt(TClock::time_point moment) const;
    void Lose();

    QString m_device;
    TCarreraChannels& m_channels;
    TCarreraTimeouts m_timeouts;
    std::unique_ptr<TByteWire> m_wire;
    QString m_problem;
    bool m_portFailed = false;
    uint32_t m_epoch = 0;
    QByteArray m_received;  // bytes from the wire not yet taken as answers

    CarreraProtocol::TEventFilter m_events;
    CarreraProtocol::TClockExtender m_clock;
    // PC moment of the CU's clock zero, as far as it is known.
    bool m_clockKnown = false;
    TClock::time_point m_clockZero;

    TClock::time_point m_lastGood;
    uint32_t m_startsServed = 0;
    uint32_t m_resetsServed = 0;
    uint32_t m_stopsServed = 0;
    bool m_starting = false;
    bool m_resetPending = false;  // the start sets the CU's clock to zero first
    bool m_resetSeen = false;
    TClock::time_point m_resetAt;  // a start asked for and not yet seen to its green
    bool m_stopPending = false;
    bool m_raceOn = false;  // green seen, no stop since
    TClock::time_point m_lastPress;
    uint8_t m_lastLight = 0;
    bool m_lightKnown = false;
    TClock::time_point m_lastStatusAt;  // when the last status was received
    uint8_t m_lastPitMask = 0;
    uint32_t m_towerSent = 0;
    int m_towerNext = 0;  // the next tower word to send: tracks 1..4, then the laps
};
