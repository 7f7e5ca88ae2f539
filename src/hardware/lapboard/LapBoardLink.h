#pragma once

#include "hardware/LinkThread.h"
#include "hardware/lapboard/LapBoardReceiver.h"

#include <QString>
#include <array>
#include <chrono>
#include <cstdint>

class QSerialPort;
struct TLapBoardChannels;

// How long the conversation waits for what (docs/lap-board.md).
struct TLapBoardTimeouts {
    int HelloMs = 4000;  // an Arduino's boot loader takes up to ~1.5 s
    int HelloRepeatMs = 250;
    int SilenceMs = 500;  // no good line for this long: the board is lost
    int HeartbeatMs = 100;
    int ResendMs = 100;  // an output command not applied by then goes again
    int ReconnectMs = 500;
    int PollMs = 2;  // the longest an output write waits to be sent
};

// The conversation with the board, run on the board's own reader thread:
// greeting, heartbeat, output commands and their answers, the arrivals, and
// a new connection after the board was lost. Blocking QSerialPort calls on a
// thread of its own keep the window and the race loop free of the port.
class TLapBoardLink final : public TLinkConversation, private TLapBoardSink {
public:
    enum class TGreeting { Ready, NoAnswer, UnknownVersion, CannotOpen };

    TLapBoardLink(QString device, TLapBoardChannels& channels, const TLapBoardTimeouts& timeouts);
    ~TLapBoardLink() override;

    // Opens the port and waits for the board's hello. On the reader thread.
    TGreeting Greet();
    bool Connect() override { return Greet() == TGreeting::Ready; }
    // Serves a connected board until it is lost or a stop is requested.
    void Serve() override;
    // The last image the program wanted, sent once more and waited for, so
    // the outputs are off when the program ends. Then closes the port.
    void Finish() override;

    // Why Connect failed, naming the device.
    QString ProblemText() const override { return m_problem; }
    QString Firmware() const { return QString::fromLatin1(m_firmware.data()); }

private:
    using TClock = std::chrono::steady_clock;

    void Hello(int protocol, const char* firmware, bool restarted) override;
    void Arrival(int sensor, int64_t boardUs) override;
    void Levels(uint8_t levels) override;
    void Applied(uint8_t pcSeq, int64_t boardUs, uint8_t outputs) override;
    void Refused() override;

    // Reads what has come, waiting at most waitMs; false when the port failed.
    bool ReadSome(int waitMs);
    void Send(char type, uint8_t outputs = 0);
    void SendWantedImage();
    void Lose();
    static int64_t MsSince(TClock::time_point mark);

    QString m_device;
    TLapBoardChannels& m_channels;
    TLapBoardTimeouts m_timeouts;
    QSerialPort* m_port = nullptr;
    TLapBoardReceiver m_receiver;
    uint8_t m_seq = 0;
    uint32_t m_epoch = 0;

    int m_helloProtocol = 0;  // 0: no hello yet
    std::array<char, 16> m_firmware{};
    QString m_problem;

    TClock::time_point m_lastGoodLine;
    TClock::time_point m_lastSent;
    // The newest output command: the write it carries and when it went.
    bool m_awaitingApply = false;
    uint32_t m_applyWrite = 0;
    uint32_t m_sentWrite = 0;  // the newest write sent
    TClock::time_point m_applySent;
    // The write each of our line numbers carried, for the output commands
    // not yet answered. A write goes again when its answer is late, and the
    // board applied it at the first sending it got, so the answer to any of
    // them counts, not only the one to the newest.
    struct TSentCommand {
        bool Outputs = false;
        uint32_t Write = 0;
    };
    std::array<TSentCommand, 256> m_sentCommands{};
};
