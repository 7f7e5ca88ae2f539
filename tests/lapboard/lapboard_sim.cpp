// Runs the lap-board firmware in simavr as if it were a board on a USB cable:
// its UART is bridged to a pseudo-terminal that the program under test opens
// like a serial port, the simulation is paced to the wall clock, and scripted
// cars cross the sensors at exact simulated times counted from the green
// light. What the board does to its outputs is logged on stdout.
//
//   lapboard_sim --firmware lapboard.elf [--script race.txt] [--link <path>]
//
// With --link the pty is also reachable under that fixed name, which follows
// it to the new pty of a "replug", as a board keeps its device name.
//
// stdout (each line flushed):
//   PTY <path>            the serial port to open, once it is ready
//   GREEN <us>            output line 8 went high for the first time
//   OUT <hex> <us>        the eight output lines changed (bit 0 = line 1)
//   CROSS <track> <us>    a scripted car reached a sensor
//   UNPLUG <us>           the scripted cable pull happened
//   REPLUG <us>           the cable went back in
// Times are simulated microseconds since the board's reset.
//
// The script's lines: "pulse <ms>", "cross <track 1-4> <ms>", "unplug <ms>",
// "replug <ms>", "end <ms>", times in ms after the green light. The program ends at "end",
// on SIGTERM or SIGINT, and when stdin reaches end of file, so a test that
// dies never leaves it behind: keep stdin open while it should run.

#include <avr_ioport.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_cycle_timers.h>
#include <sim_elf.h>
#include <sim_io.h>
#include <sim_irq.h>
#include <sim_regbit.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr uint32_t kFrequency = 16'000'000;
constexpr avr_cycle_count_t kCyclesPerUs = kFrequency / 1'000'000;
// The firmware writes the two output ports a few instructions apart; the
// image is logged once both have settled, with the time of the first write.
constexpr avr_cycle_count_t kOutputSettleCycles = 64;
// How far the simulation may run ahead of the wall clock.
constexpr avr_cycle_count_t kSliceCycles = 250 * kCyclesPerUs;
// How far it may fall behind and still catch up. On a loaded machine the
// harness can go unscheduled for half a second; racing through that much
// board time afterwards would squeeze the PC's heartbeats, which came in
// real time, so far apart in board time that the firmware would take the PC
// for silent and switch the outputs off. A longer stall is let go instead:
// the board's clock stands still for it, and the PC meets a board that
// was late to answer, as over a slow cable.
constexpr std::chrono::milliseconds kMaxCatchUp{20};
// Bytes the board sent that nobody has read yet; beyond this they are
// dropped, as a USB serial chip drops them when the PC doesn't read.
constexpr size_t kMaxPendingOutput = 64 * 1024;

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int) { stopRequested = 1; }

void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logLine(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// --- the script

enum class ActionKind { Press, Release, Unplug, Replug, End };

struct Action {
    double ms = 0;  // after the green light
    ActionKind kind = ActionKind::End;
    int track = 0;
};

std::optional<std::vector<Action>> readScript(const std::string& path)
{
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "lapboard_sim: cannot open script %s\n", path.c_str());
        return std::nullopt;
    }
    std::vector<Action> actions;
    double pulseMs = 20;
    std::string text;
    int lineNumber = 0;
    while (std::getline(in, text)) {
        ++lineNumber;
        if (auto hash = text.find('#'); hash != std::string::npos)
            text.erase(hash);
        std::istringstream words(text);
        std::string word;
        if (!(words >> word))
            continue;
        bool good = false;
        if (word == "pulse") {
            good = bool(words >> pulseMs) && pulseMs > 0;
        } else if (word == "cross") {
            int track = 0;
            double ms = 0;
            good = bool(words >> track >> ms) && track >= 1 && track <= 4 && ms >= 0;
            if (good) {
                actions.push_back({ms, ActionKind::Press, track});
                actions.push_back({ms + pulseMs, ActionKind::Release, track});
            }
        } else if (word == "unplug" || word == "replug" || word == "end") {
            double ms = 0;
            good = bool(words >> ms) && ms >= 0;
            const ActionKind kind = word == "end"      ? ActionKind::End
                                    : word == "unplug" ? ActionKind::Unplug
                                                       : ActionKind::Replug;
            if (good)
                actions.push_back({ms, kind, 0});
        }
        std::string extra;
        if (!good || (words >> extra)) {
            std::fprintf(stderr, "lapboard_sim: %s:%d: cannot read \"%s\"\n", path.c_str(), lineNumber, text.c_str());
            return std::nullopt;
        }
    }
    // Stable: at one moment, things happen in the order the script gives.
    std::stable_sort(actions.begin(), actions.end(), [](const Action& a, const Action& b) { return a.ms < b.ms; });
    return actions;
}

// --- the simulated board

struct Board {
    avr_t* avr = nullptr;
    int ptyMaster = -1;
    std::string link;        // --link: a fixed name for the pty, kept across a replug
    std::string toPc;        // board -> PC, not yet written to the pty
    std::string fromPc;      // PC -> board, not yet taken by the UART
    bool uartReady = false;  // the UART's input FIFO has room (XON)
    avr_irq_t* uartInput = nullptr;
    avr_irq_t* sensorPins[4] = {};

    uint8_t outputs = 0;
    uint8_t loggedOutputs = 0;
    bool outputLogPending = false;
    avr_cycle_count_t outputChangeCycle = 0;

    bool green = false;
    avr_cycle_count_t greenCycle = 0;
    std::vector<Action> script;
    size_t nextAction = 0;
    bool ended = false;
};

unsigned long long microseconds(avr_cycle_count_t cycle)
{
    return static_cast<unsigned long long>(cycle / kCyclesPerUs);
}

avr_cycle_count_t actionCycle(const Board& board, const Action& action)
{
    return board.greenCycle + static_cast<avr_cycle_count_t>(action.ms * 16'000.0 + 0.5);
}

void unplug(Board& board)
{
    // A board's device name goes with the cable, so the PC cannot open the
    // name and find some other program's pty that got the freed number.
    if (!board.link.empty())
        ::unlink(board.link.c_str());
    if (board.ptyMaster >= 0)
        ::close(board.ptyMaster);
    board.ptyMaster = -1;
    board.toPc.clear();
    board.fromPc.clear();
}

void replug(Board& board);

avr_cycle_count_t runScript(avr_t* avr, avr_cycle_count_t, void* param)
{
    auto& board = *static_cast<Board*>(param);
    while (board.nextAction < board.script.size() && actionCycle(board, board.script[board.nextAction]) <= avr->cycle) {
        const Action& action = board.script[board.nextAction++];
        switch (action.kind) {
        case ActionKind::Press:
            logLine("CROSS %d %llu", action.track, microseconds(avr->cycle));
            avr_raise_irq(board.sensorPins[action.track - 1], 0);
            break;
        case ActionKind::Release: avr_raise_irq(board.sensorPins[action.track - 1], 1); break;
        case ActionKind::Unplug:
            logLine("UNPLUG %llu", microseconds(avr->cycle));
            unplug(board);
            break;
        case ActionKind::Replug:
            logLine("REPLUG %llu", microseconds(avr->cycle));
            replug(board);
            break;
        case ActionKind::End: board.ended = true; break;
        }
    }
    if (board.nextAction < board.script.size())
        return actionCycle(board, board.script[board.nextAction]);
    return 0;
}

avr_cycle_count_t logOutputs(avr_t*, avr_cycle_count_t, void* param)
{
    auto& board = *static_cast<Board*>(param);
    board.outputLogPending = false;
    if (board.outputs != board.loggedOutputs) {
        board.loggedOutputs = board.outputs;
        logLine("OUT %02X %llu", board.outputs, microseconds(board.outputChangeCycle));
    }
    return 0;
}

struct OutputPin {
    Board* board;
    int line;  // 0..7
};

void onOutputPin(avr_irq_t*, uint32_t value, void* param)
{
    auto& pin = *static_cast<OutputPin*>(param);
    Board& board = *pin.board;
    avr_t* avr = board.avr;
    const uint8_t bit = static_cast<uint8_t>(1u << pin.line);
    const uint8_t before = board.outputs;
    board.outputs = value ? (before | bit) : (before & ~bit);
    if (board.outputs == before)
        return;
    if (!board.outputLogPending) {
        board.outputLogPending = true;
        board.outputChangeCycle = avr->cycle;
        avr_cycle_timer_register(avr, kOutputSettleCycles, logOutputs, &board);
    }
    if (pin.line == 7 && value && !board.green) {
        board.green = true;
        board.greenCycle = avr->cycle;
        logLine("GREEN %llu", microseconds(avr->cycle));
        if (!board.script.empty())
            avr_cycle_timer_register(avr, actionCycle(board, board.script.front()) - avr->cycle, runScript, &board);
    }
}

void onUartOutput(avr_irq_t*, uint32_t value, void* param)
{
    auto& board = *static_cast<Board*>(param);
    if (board.ptyMaster < 0)
        return;  // the cable is out
    if (board.toPc.size() >= kMaxPendingOutput)
        return;
    board.toPc.push_back(static_cast<char>(value));
}

void onUartXon(avr_irq_t*, uint32_t, void* param) { static_cast<Board*>(param)->uartReady = true; }

void onUartXoff(avr_irq_t*, uint32_t, void* param) { static_cast<Board*>(param)->uartReady = false; }

// The board's timers decide when it wakes; the pacing below keeps it to the
// wall clock, so simavr must not sleep on its own.
void noSleep(avr_t*, avr_cycle_count_t) {}

// A sleeping board skips ahead to its next timer event; this one keeps any
// such jump within a slice, so pacing never lets it run far ahead.
avr_cycle_count_t pace(avr_t*, avr_cycle_count_t when, void*) { return when + kSliceCycles; }

// simavr's own messages go to stderr: stdout carries only the log above.
void simavrLogger(avr_t* avr, int level, const char* format, va_list args)
{
    if (!avr || level <= avr->log)
        std::vfprintf(stderr, format, args);
}

// simavr 1.6 times the UART's bytes as if U2X were off, i.e. at half the
// speed the firmware sets. The board's lines must take as long on the
// simulated wire as on the real one, so the byte time is halved whenever
// simavr has computed it afresh with U2X on.
struct UartSpeed {
    avr_uart_t* uart = nullptr;
    avr_cycle_count_t corrected = 0;
};

avr_uart_t* findUart(avr_t* avr, char name)
{
    for (avr_io_t* io = avr->io_port; io; io = io->next) {
        if (io->kind && std::strcmp(io->kind, "uart") == 0) {
            auto* uart = reinterpret_cast<avr_uart_t*>(io);
            if (uart->name == name)
                return uart;
        }
    }
    return nullptr;
}

void correctUartSpeed(avr_t* avr, UartSpeed& speed)
{
    avr_uart_t* uart = speed.uart;
    if (!uart || uart->cycles_per_byte == speed.corrected)
        return;
    if (avr_regbit_get(avr, uart->u2x))
        uart->cycles_per_byte /= 2;
    speed.corrected = uart->cycles_per_byte;
}

// --- the pseudo-terminal

int openPty(std::string& slavePath)
{
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("lapboard_sim: pseudo-terminal");
        return -1;
    }
    // Raw both ways: the protocol's bytes pass untouched, like a USB port's.
    termios settings{};
    ::tcgetattr(master, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B115200);
    ::tcsetattr(master, TCSANOW, &settings);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    slavePath = ::ptsname(master);
    return master;
}

// Points the --link name at the pty's slave, replacing what it pointed at.
void pointLink(const Board& board, const std::string& slavePath)
{
    if (board.link.empty())
        return;
    ::unlink(board.link.c_str());
    if (::symlink(slavePath.c_str(), board.link.c_str()) != 0)
        std::perror("lapboard_sim: link");
}

// The cable goes back in: a new pseudo-terminal behind the same link. The
// board runs on, as one whose USB chip does not reset it on a new connection.
void replug(Board& board)
{
    if (board.ptyMaster >= 0)
        return;
    std::string slavePath;
    board.ptyMaster = openPty(slavePath);
    pointLink(board, slavePath);
}

// Moves bytes between the pty and the board's UART, never blocking.
void exchange(Board& board)
{
    if (board.ptyMaster < 0)
        return;
    char buffer[512];
    // No PC has the port open (EIO) or nothing came (EAGAIN): both are quiet.
    ssize_t got = ::read(board.ptyMaster, buffer, sizeof buffer);
    if (got > 0)
        board.fromPc.append(buffer, static_cast<size_t>(got));
    if (!board.toPc.empty()) {
        ssize_t put = ::write(board.ptyMaster, board.toPc.data(), board.toPc.size());
        if (put > 0)
            board.toPc.erase(0, static_cast<size_t>(put));
        else if (put < 0 && errno != EAGAIN && errno != EINTR)
            board.toPc.clear();
    }
}

void feedUart(Board& board)
{
    size_t taken = 0;
    // XOFF arrives from inside avr_raise_irq when the FIFO fills.
    while (board.uartReady && taken < board.fromPc.size())
        avr_raise_irq(board.uartInput, static_cast<uint8_t>(board.fromPc[taken++]));
    board.fromPc.erase(0, taken);
}

bool stdinClosed()
{
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (::poll(&in, 1, 0) <= 0)
        return false;
    if (in.revents & POLLIN) {
        char buffer[256];
        return ::read(STDIN_FILENO, buffer, sizeof buffer) == 0;
    }
    return (in.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

int usage()
{
    std::fprintf(stderr, "usage: lapboard_sim --firmware <lapboard.elf> [--script <file>] [--link <path>]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string firmwarePath;
    std::string scriptPath;
    std::string linkPath;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--firmware" && i + 1 < argc)
            firmwarePath = argv[++i];
        else if (arg == "--script" && i + 1 < argc)
            scriptPath = argv[++i];
        else if (arg == "--link" && i + 1 < argc)
            linkPath = argv[++i];
        else
            return usage();
    }
    if (firmwarePath.empty())
        return usage();

    Board board;
    board.link = linkPath;
    if (!scriptPath.empty()) {
        auto script = readScript(scriptPath);
        if (!script)
            return 2;
        board.script = std::move(*script);
    }

    avr_global_logger_set(simavrLogger);
    elf_firmware_t firmware{};
    if (elf_read_firmware(firmwarePath.c_str(), &firmware) != 0) {
        std::fprintf(stderr, "lapboard_sim: cannot read firmware %s\n", firmwarePath.c_str());
        return 2;
    }
    std::strcpy(firmware.mmcu, "atmega328p");
    firmware.frequency = kFrequency;
    avr_t* avr = avr_make_mcu_by_name(firmware.mmcu);
    if (!avr || avr_init(avr) != 0) {
        std::fprintf(stderr, "lapboard_sim: simavr has no atmega328p\n");
        return 2;
    }
    avr->log = LOG_WARNING;
    avr_load_firmware(avr, &firmware);
    avr->frequency = kFrequency;
    avr->sleep = noSleep;
    board.avr = avr;

    // The UART must neither print the board's lines itself nor sleep when
    // the firmware polls it.
    uint32_t uartFlags = 0;
    avr_ioctl(avr, AVR_IOCTL_UART_GET_FLAGS('0'), &uartFlags);
    uartFlags &= ~(AVR_UART_FLAG_STDIO | AVR_UART_FLAG_POLL_SLEEP);
    avr_ioctl(avr, AVR_IOCTL_UART_SET_FLAGS('0'), &uartFlags);
    board.uartInput = avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT), onUartOutput, &board);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XON), onUartXon, &board);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XOFF), onUartXoff, &board);

    // Sensors 1..4 on PD2..PD5; output lines 1..4 on PB0..PB3, 5..8 on PC0..PC3.
    for (int i = 0; i < 4; ++i)
        board.sensorPins[i] = avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ('D'), IOPORT_IRQ_PIN2 + i);
    static OutputPin outputPins[8];
    for (int line = 0; line < 8; ++line) {
        outputPins[line] = {&board, line};
        char port = line < 4 ? 'B' : 'C';
        avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ(port), line % 4), onOutputPin,
                                &outputPins[line]);
    }

    std::string slavePath;
    board.ptyMaster = openPty(slavePath);
    if (board.ptyMaster < 0)
        return 2;
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGTERM, onStopSignal);
    std::signal(SIGINT, onStopSignal);
    pointLink(board, slavePath);
    logLine("PTY %s", board.link.empty() ? slavePath.c_str() : board.link.c_str());

    UartSpeed uartSpeed{findUart(avr, '0'), 0};
    avr_cycle_timer_register(avr, kSliceCycles, pace, nullptr);
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    unsigned slices = 0;
    while (!stopRequested && !board.ended) {
        // Ahead of the wall clock: wait for it. A little behind: run on at
        // full speed until caught up. Far behind: catch up kMaxCatchUp only.
        const auto simulated = std::chrono::microseconds(microseconds(avr->cycle));
        const auto elapsed = Clock::now() - start;
        if (simulated > elapsed)
            std::this_thread::sleep_for(simulated - elapsed);
        else if (elapsed - simulated > kMaxCatchUp)
            start += elapsed - simulated - kMaxCatchUp;

        correctUartSpeed(avr, uartSpeed);
        exchange(board);
        feedUart(board);
        const avr_cycle_count_t sliceEnd = avr->cycle + kSliceCycles;
        while (avr->cycle < sliceEnd && !board.ended) {
            int state = avr_run(avr);
            if (state == cpu_Done || state == cpu_Crashed) {
                std::fprintf(stderr, "lapboard_sim: the firmware stopped (state %d) at %llu us\n", state,
                             microseconds(avr->cycle));
                return 1;
            }
        }
        exchange(board);
        if (++slices % 20 == 0 && stdinClosed())
            break;
    }
    unplug(board);
    return 0;
}
