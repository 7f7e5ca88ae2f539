// lapcounter_emulator: a home-made lap counter speaking the free lap-counter
// protocol, behind a pseudo-terminal or on TCP, for tests, benchmarks and
// trying Kobalap without a track.
//
// It prints "ready <port>" (or "ready 127.0.0.1:<port>") once the PC can
// reach it, then tells the PC its clock and the scripted cars' laps, answers
// the PC's messages, and takes command lines on stdin (and from --script).
// Every command is acknowledged "ok <command>" or refused
// "error <command>: <why>"; what the counter did is logged on stdout in the
// order it happened (README.md beside this file). It ends when stdin
// closes, on "quit", SIGTERM or SIGINT.

#include "CounterCommands.h"
#include "CounterWire.h"
#include "LapCounter.h"
#include "OutgoingWire.h"
#include "PtyLink.h"
#include "TcpLink.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <poll.h>
#include <sched.h>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int) { g_stopSignal = 1; }

// --stamp: each line of what the counter did ends in " @" and the steady
// clock in µs (the clock a benchmark on the same machine reads), so that it
// can time what the program makes of a crossing from the moment it was sent.
bool g_stamp = false;

void WriteLine(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    // A test waits for these lines: none may sit in a buffer.
    std::fflush(stdout);
}

// What the counter itself did (crossings, messages heard, ...), stamped where asked.
void WriteCounterLine(const QByteArray& line)
{
    if (!g_stamp)
        return WriteLine(line);
    const long long us =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    WriteLine(line + " @" + QByteArray::number(us));
}

// A command to run at a time after the start, from "at <ms> <command>".
struct TCue {
    int64_t AtMs = 0;
    QByteArray Command;
};

class TEmulator {
public:
    TEmulator(const TLapCounterOptions& options, int baud, TCounterLink& link)
        : m_wire(baud, WriteCounterLine),
          m_counter(options, WriteCounterLine, [this](const TOutgoing& message) { m_wire.Send(message); }),
          m_link(link),
          m_start(std::chrono::steady_clock::now())
    {
    }

    int64_t NowUs() const
    {
        using namespace std::chrono;
        return duration_cast<microseconds>(steady_clock::now() - m_start).count();
    }

    // One command line; blank lines and comments are skipped.
    void RunLine(const QByteArray& line, int64_t nowMs)
    {
        if (!CounterCommands::IsCommand(line))
            return;
        const QByteArray command = line.simplified();
        int64_t atMs = 0;
        QByteArray timed;
        if (command == "quit") {
            m_quit = true;
        } else if (CounterCommands::ParseTimed(command, atMs, timed)) {
            // A cue whose time has passed runs now: the track's past stays as it was.
            atMs = std::max(atMs, nowMs);
            // Cues of the same time keep the order they were given in.
            const auto later = std::upper_bound(m_cues.begin(), m_cues.end(), atMs,
                                                [](int64_t at, const TCue& cue) { return at < cue.AtMs; });
            m_cues.insert(later, {atMs, timed});
        } else if (const QByteArray why = CounterCommands::Apply({m_counter, m_wire, m_link}, command, nowMs);
                   !why.isEmpty()) {
            return WriteLine("error " + command + ": " + why);
        }
        WriteLine("ok " + command);
    }

    // False when the script cannot be read.
    bool RunScript(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        while (!file.atEnd())
            RunLine(file.readLine(), NowUs() / 1000);
        return true;
    }

    // Until stdin closes, "quit" or a signal.
    void Run()
    {
        while (!m_quit && !g_stopSignal) {
            pollfd watched[TCounterLink::MaxWatched + 1];
            const int linkCount = m_link.Watch(watched);
            watched[linkCount] = {STDIN_FILENO, POLLIN, 0};
            // A millisecond at most, so that crossings go out on time.
            ::poll(watched, nfds_t(linkCount + 1), 1);
            const int64_t nowUs = NowUs();
            const int64_t now = nowUs / 1000;
            RunCuesUpTo(now);
            m_counter.AdvanceTo(now);
            if (watched[linkCount].revents != 0 && !ReadCommands(now))
                return;
            // A cue just given for now runs before the PC's next message.
            RunCuesUpTo(now);
            ReadRequests(watched, linkCount, now);
            m_wire.Pump(nowUs, m_counter.SilentUntil(),
                        [this](const QByteArray& bytes) { return m_link.Write(bytes); });
        }
    }

private:
    void RunCuesUpTo(int64_t nowMs)
    {
        while (!m_cues.empty() && m_cues.front().AtMs <= nowMs) {
            const TCue cue = m_cues.front();
            m_cues.erase(m_cues.begin());
            // The track first runs up to the cue, so that the log keeps the order of time.
            m_counter.AdvanceTo(cue.AtMs);
            RunLine(cue.Command, cue.AtMs);
        }
    }

    // False at the end of stdin.
    bool ReadCommands(int64_t nowMs)
    {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0)
            return got < 0 && errno == EINTR;
        m_input.append(buffer, got);
        for (qsizetype end = m_input.indexOf('\n'); end >= 0 && !m_quit; end = m_input.indexOf('\n')) {
            const QByteArray line = m_input.left(end);
            m_input.remove(0, end + 1);
            RunLine(line, nowMs);
        }
        return true;
    }

    void ReadRequests(const pollfd* watched, int count, int64_t nowMs)
    {
        QByteArray received;
        m_link.Serve(watched, count, received);
        for (const char byte : received) {
            QByteArray body;
            if (m_reader.Feed(byte, body))
                m_counter.Received(body, nowMs);
        }
    }

    TOutgoingWire m_wire;
    TLapCounter m_counter;
    TCounterLink& m_link;
    const std::chrono::steady_clock::time_point m_start;
    std::vector<TCue> m_cues;  // by time
    QByteArray m_input;
    CounterWire::TRequestReader m_reader;
    bool m_quit = false;
};

int Refuse(const QString& why)
{
    std::fprintf(stderr, "lapcounter_emulator: %s\n", qPrintable(why));
    return 2;
}

// A real counter is never late with its messages; a test's emulator on a
// busy machine could be, by tens of ms. It sleeps in poll() nearly all the
// time, so real-time scheduling costs nobody anything; without the right it
// stays ordinary.
void SendPromptly()
{
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO) + 1;
    sched_setscheduler(0, SCHED_FIFO, &param);
}

}  // namespace

int main(int argc, char** argv)
{
    SendPromptly();
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A home-made lap counter (the free lap-counter protocol) on a pseudo-terminal or TCP."));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"), QStringLiteral("A fixed name for the pseudo-terminal."),
                                  QStringLiteral("path"));
    const QCommandLineOption tcp(QStringLiteral("tcp"),
                                 QStringLiteral("Serve TCP on 127.0.0.1 at this port (0: any free one)."),
                                 QStringLiteral("port"));
    const QCommandLineOption script(QStringLiteral("script"), QStringLiteral("Commands to run at the start."),
                                    QStringLiteral("file"));
    const QCommandLineOption clockMs(QStringLiteral("clock-ms"),
                                     QStringLiteral("How often the counter tells its clock (500; 0: never)."),
                                     QStringLiteral("ms"), QStringLiteral("500"));
    const QCommandLineOption noAck(QStringLiteral("no-ack"), QStringLiteral("Never answer %C&."));
    const QCommandLineOption laneForm(QStringLiteral("lane-form"),
                                      QStringLiteral("Lanes as two hex digits or as digits and a comma (two)."),
                                      QStringLiteral("two|comma"), QStringLiteral("two"));
    const QCommandLineOption clockStart(QStringLiteral("clock-start"),
                                        QStringLiteral("The counter's clock at the start, in ms (0)."),
                                        QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption stamp(QStringLiteral("stamp"),
                                   QStringLiteral("Log lines end in @ and the steady clock in microseconds."));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("Messages take as long as on a wire of this speed (0: at once)."),
                                  QStringLiteral("bits/s"), QStringLiteral("0"));
    parser.addOptions({link, tcp, script, clockMs, noAck, laneForm, clockStart, stamp, baud});
    parser.process(application);
    g_stamp = parser.isSet(stamp);

    TLapCounterOptions options;
    bool clockOk = false;
    bool periodOk = false;
    bool baudOk = false;
    bool portOk = true;
    options.ClockStartMs = parser.value(clockStart).toLongLong(&clockOk);
    options.ClockPeriodMs = parser.value(clockMs).toLongLong(&periodOk);
    options.Acknowledge = !parser.isSet(noAck);
    const int baudRate = parser.value(baud).toInt(&baudOk);
    const int port = parser.isSet(tcp) ? parser.value(tcp).toInt(&portOk) : 0;
    if (!clockOk || options.ClockStartMs < 0)
        return Refuse(QStringLiteral("--clock-start takes ms from 0 up"));
    if (!periodOk || options.ClockPeriodMs < 0)
        return Refuse(QStringLiteral("--clock-ms takes ms from 0 up"));
    if (!baudOk || baudRate < 0)
        return Refuse(QStringLiteral("--baud takes bits per second from 0 up"));
    if (!portOk || port < 0 || port > 65535)
        return Refuse(QStringLiteral("--tcp takes a port from 0 to 65535"));
    if (parser.isSet(tcp) && parser.isSet(link))
        return Refuse(QStringLiteral("--link names a pseudo-terminal, which --tcp does not make"));
    if (parser.value(laneForm) == QStringLiteral("comma"))
        options.LaneForm = CounterWire::TLaneForm::Comma;
    else if (parser.value(laneForm) != QStringLiteral("two"))
        return Refuse(QStringLiteral("--lane-form takes two or comma"));

    std::unique_ptr<TCounterLink> counterLink;
    std::string error;
    if (parser.isSet(tcp)) {
        auto server = std::make_unique<TTcpLink>(WriteCounterLine);
        if (!server->Listen(port, error))
            return Refuse(QString::fromStdString(error));
        counterLink = std::move(server);
    } else {
        // A port made anew after a hang-up is announced as the first one was, unstamped.
        auto terminal = std::make_unique<TPtyLink>(WriteLine);
        if (!terminal->Open(parser.value(link).toStdString(), error))
            return Refuse(QString::fromStdString(error));
        counterLink = std::move(terminal);
    }

    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);

    TEmulator emulator(options, baudRate, *counterLink);
    if (parser.isSet(script) && !emulator.RunScript(parser.value(script)))
        return Refuse(parser.value(script) + QStringLiteral(": cannot be read"));
    WriteLine("ready " + counterLink->Address());
    emulator.Run();
    return 0;
}
