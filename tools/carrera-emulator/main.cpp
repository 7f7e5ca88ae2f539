// carrera_emulator: a Carrera DIGITAL 124/132 Control Unit behind a
// pseudo-terminal, for tests, benchmarks and trying Kobalap without a track.
//
// It prints "ready <port>" once the port can be opened, then answers the
// unit's requests on it and takes command lines on stdin (and from
// --script): scripted cars, fuel, the pit lane, damaged or missing answers.
// Every command is acknowledged "ok <command>" or refused
// "error <command>: <why>"; what happens on the track is logged on stdout in
// the order it happened (README.md beside this file). It ends when stdin closes, on
// "quit", SIGTERM or SIGINT.

#include "ControlUnit.h"
#include "EmulatorCommands.h"
#include "PseudoTerminal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sched.h>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int) { g_stopSignal = 1; }

// --stamp: each log line ends in " @" and the steady clock in µs (the
// clock a benchmark on the same machine reads), so that it can time what the
// program makes of a crossing from the moment the unit told it.
bool g_stamp = false;
// --baud: an answer is held back for the time the request and the answer
// take on a real unit's wire, so the PC polls at a real unit's pace.
int g_baud = 0;

void WriteLine(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    if (g_stamp)
        std::fprintf(stdout, " @%lld",
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                std::chrono::steady_clock::now().time_since_epoch())
                                                .count()));
    std::fputc('\n', stdout);
    // A test waits for these lines: none may sit in a buffer.
    std::fflush(stdout);
}

// The requests in the bytes from the PC: '"' starts one, '$' ends it.
// Anything between requests is line noise and is dropped.
class TRequestReader {
public:
    // True when `byte` completed a request, whose message is then in `message`.
    bool Feed(char byte, QByteArray& message)
    {
        if (byte == CarreraProtocol::RequestStart) {
            m_inside = true;
            m_message.clear();
            return false;
        }
        if (!m_inside)
            return false;
        if (byte != CarreraProtocol::MessageEnd) {
            // No request is this long: a lost '$', so start over.
            if (m_message.size() >= MaxMessage)
                Reset();
            else
                m_message += byte;
            return false;
        }
        m_inside = false;
        message = m_message;
        return true;
    }
    void Reset() { m_inside = false; }

private:
    static constexpr int MaxMessage = 32;
    bool m_inside = false;
    QByteArray m_message;
};

// A command to run at a time after the start, from "at <ms> <command>".
struct TCue {
    int64_t AtMs = 0;
    QByteArray Command;
};

class TEmulator {
public:
    TEmulator(TControlUnitOptions options, TPseudoTerminal& port)
        : m_unit(std::move(options), WriteLine), m_port(port), m_start(std::chrono::steady_clock::now())
    {
    }

    int64_t Now() const
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now() - m_start).count();
    }

    // One command line; blank lines and comments are skipped.
    void RunLine(const QByteArray& line, int64_t nowMs)
    {
        if (!EmulatorCommands::IsCommand(line))
            return;
        const QByteArray command = line.simplified();
        int64_t atMs = 0;
        QByteArray timed;
        if (command == "quit") {
            m_quit = true;
        } else if (EmulatorCommands::ParseTimed(command, atMs, timed)) {
            // A cue whose time has passed runs now: the track's past stays as it was.
            atMs = std::max(atMs, nowMs);
            // Cues of the same time keep the order they were given in.
            const auto later = std::upper_bound(m_cues.begin(), m_cues.end(), atMs,
                                                [](int64_t at, const TCue& cue) { return at < cue.AtMs; });
            m_cues.insert(later, {atMs, timed});
        } else if (const QByteArray why = EmulatorCommands::Apply(m_unit, command, nowMs); !why.isEmpty()) {
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
            RunLine(file.readLine(), Now());
        return true;
    }

    // Until stdin closes, "quit" or a signal.
    void Run()
    {
        while (!m_quit && !g_stopSignal) {
            // A millisecond at most, so that crossings are there to be polled on time.
            pollfd watched[2] = {{m_port.Master(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
            ::poll(watched, 2, 1);
            const int64_t now = Now();
            RunCuesUpTo(now);
            m_unit.AdvanceTo(now);
            if (watched[1].revents != 0 && !ReadCommands(now))
                return;
            // A cue just given for now runs before the PC's next request.
            RunCuesUpTo(now);
            if (watched[0].revents & POLLIN)
                ReadRequests(now);
        }
    }

private:
    void RunCuesUpTo(int64_t nowMs)
    {
        while (!m_cues.empty() && m_cues.front().AtMs <= nowMs) {
            const TCue cue = m_cues.front();
            m_cues.erase(m_cues.begin());
            // The track first runs up to the cue, so that the log keeps the order of time.
            m_unit.AdvanceTo(cue.AtMs);
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

    void ReadRequests(int64_t nowMs)
    {
        char buffer[512];
        const ssize_t got = ::read(m_port.Master(), buffer, sizeof buffer);
        for (ssize_t i = 0; i < got; ++i) {
            // A pulled cable: whatever the PC sends is lost.
            if (m_unit.SilentAt(nowMs)) {
                m_reader.Reset();
                continue;
            }
            QByteArray message;
            if (!m_reader.Feed(buffer[i], message))
                continue;
            const QByteArray answer = m_unit.Answer(message, nowMs);
            // Ten bits a byte; the request's framing is two bytes more.
            if (g_baud > 0)
                ::usleep(useconds_t((message.size() + 2 + answer.size()) * 10'000'000ll / g_baud));
            if (const int64_t hold = m_unit.TakeHold(answer); hold > 0)
                ::usleep(useconds_t(hold * 1000));
            // Nobody reading the port is no reason to stop: the answer is lost.
            if (!answer.isEmpty()) [[maybe_unused]]
                const ssize_t put = ::write(m_port.Master(), answer.constData(), size_t(answer.size()));
        }
    }

    TControlUnit m_unit;
    TPseudoTerminal& m_port;
    const std::chrono::steady_clock::time_point m_start;
    std::vector<TCue> m_cues;  // by time
    QByteArray m_input;
    TRequestReader m_reader;
    bool m_quit = false;
};

int Refuse(const QString& why)
{
    std::fprintf(stderr, "carrera_emulator: %s\n", qPrintable(why));
    return 2;
}

}  // namespace

// A real unit is never late with its answers; a test's emulator on a busy
// machine could be, by tens of ms. It sleeps in poll() nearly all the time,
// so real-time scheduling costs nobody anything; without the right it stays
// ordinary.
static void AnswerPromptly()
{
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO) + 1;
    sched_setscheduler(0, SCHED_FIFO, &param);
}

int main(int argc, char** argv)
{
    AnswerPromptly();
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A Carrera DIGITAL 124/132 Control Unit on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"), QStringLiteral("A fixed name for the port."),
                                  QStringLiteral("path"));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("The unit's version, four characters (5337)."),
                                     QStringLiteral("xxxx"), QStringLiteral("5337"));
    const QCommandLineOption clockStart(QStringLiteral("clock-start"),
                                        QStringLiteral("The unit's clock at the start, in ms (0)."),
                                        QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption stepMs(QStringLiteral("step-ms"), QStringLiteral("Each countdown lamp's time (1000)."),
                                    QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption longStatus(QStringLiteral("long-status"),
                                        QStringLiteral("The longer status of recent units."));
    const QCommandLineOption script(QStringLiteral("script"), QStringLiteral("Commands to run at the start."),
                                    QStringLiteral("file"));
    const QCommandLineOption stamp(QStringLiteral("stamp"),
                                   QStringLiteral("Log lines end in @ and the steady clock in microseconds."));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("Answers take as long as on a wire of this speed (19200)."),
                                  QStringLiteral("bits/s"), QStringLiteral("0"));
    parser.addOptions({link, version, clockStart, stepMs, longStatus, script, stamp, baud});
    parser.process(application);
    g_stamp = parser.isSet(stamp);
    g_baud = parser.value(baud).toInt();

    TControlUnitOptions options;
    options.Version = parser.value(version).toLatin1();
    bool clockOk = false;
    bool stepOk = false;
    options.ClockStartMs = parser.value(clockStart).toUInt(&clockOk);
    options.StepMs = parser.value(stepMs).toInt(&stepOk);
    options.LongStatus = parser.isSet(longStatus);
    if (options.Version.size() != 4)
        return Refuse(QStringLiteral("--version takes four characters"));
    if (!clockOk)
        return Refuse(QStringLiteral("--clock-start takes ms from 0 to 4294967295"));
    if (!stepOk || options.StepMs < 1)
        return Refuse(QStringLiteral("--step-ms takes ms from 1 up"));

    TPseudoTerminal port;
    std::string error;
    if (!port.Open(error) || (parser.isSet(link) && !port.Link(parser.value(link).toStdString(), error)))
        return Refuse(QString::fromStdString(error));

    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);

    TEmulator emulator(options, port);
    if (parser.isSet(script) && !emulator.RunScript(parser.value(script)))
        return Refuse(parser.value(script) + QStringLiteral(": cannot be read"));
    WriteLine("ready " + QByteArray::fromStdString(port.SlavePath()));
    emulator.Run();
    return 0;
}
