#include "ControlUnit.h"

#include <utility>

using namespace CarreraProtocol;

namespace {

// Bit positions of the eight nibbles of a 32-bit value, in the order sent.
constexpr int U32Shifts[8] = {24, 28, 16, 20, 8, 12, 0, 4};

constexpr int StartButton = int(TButton::StartEnter);
constexpr int LampCount = 5;
// A car marked for a jump start moves off when the third lamp lights.
constexpr int JumpLamp = 3;
// The unit shows six cars on its display.
constexpr unsigned DisplayedCars = 6;
// Words of the 'J' request that drive the position tower.
constexpr int TowerPlaceWord = 6;
constexpr int TowerLapHighWord = 17;
constexpr int TowerLapLowWord = 18;

QByteArray Number(int64_t value) { return QByteArray::number(qlonglong(value)); }

// A request of the command and `count` nibbles, the last of them the
// checksum of the others. The checksum may be missing altogether: a request
// typed by hand, as "=10", is taken too.
bool WellFormed(const QByteArray& message, int count)
{
    const int size = int(message.size());
    if (size != count + 1 && size != count)
        return false;
    for (int i = 1; i < size; ++i)
        if (NibbleValue(message[i]) < 0)
            return false;
    return size == count || NibbleValue(message[size - 1]) == Checksum(message.constData() + 1, size - 2);
}

}  // namespace

TControlUnit::TControlUnit(TControlUnitOptions options, TLog log)
    : m_options(std::move(options)), m_log(std::move(log)), m_clockOffset(m_options.ClockStartMs)
{
    m_fuel.fill(FullTank);
}

void TControlUnit::AdvanceTo(int64_t nowMs)
{
    while (RunNextDue(nowMs)) {
    }
}

bool TControlUnit::RunNextDue(int64_t limitMs)
{
    // Ties go to the lights first, then the pit lane, then the cars by address.
    enum class TWhat { Nothing, Lamp, PitEnd, Crossing } what = TWhat::Nothing;
    int64_t at = limitMs + 1;
    int address = 0;
    if (m_phase == TPhase::Countdown && m_countdownFrom + m_lampsLit * m_options.StepMs < at) {
        at = m_countdownFrom + m_lampsLit * m_options.StepMs;
        what = TWhat::Lamp;
    }
    for (int i = 0; i < Addresses; ++i) {
        if ((m_pitMask & (1u << i)) && m_pitUntil[size_t(i)] < at) {
            at = m_pitUntil[size_t(i)];
            what = TWhat::PitEnd;
            address = i + 1;
        }
    }
    if (m_phase == TPhase::Racing) {
        for (int i = 0; i < Addresses; ++i) {
            const TCar& car = m_cars[size_t(i)];
            if (!car.LapMs.empty() && CrossingDue(car) < at) {
                at = CrossingDue(car);
                what = TWhat::Crossing;
                address = i + 1;
            }
        }
    }
    switch (what) {
    case TWhat::Nothing: return false;
    case TWhat::Lamp: StepCountdown(at); break;
    case TWhat::PitEnd:
        m_pitMask = uint8_t(m_pitMask & ~(1u << (address - 1)));
        // The unit fills the tank while the car stands in the pit lane.
        if (m_mode & FuelModeBit)
            m_fuel[size_t(address - 1)] = FullTank;
        break;
    case TWhat::Crossing: Cross(address, at); break;
    }
    return true;
}

void TControlUnit::StepCountdown(int64_t atMs)
{
    ++m_lampsLit;
    if (m_lampsLit > LampCount) {
        m_phase = TPhase::Racing;
        m_greenAt = atMs;
        SetLight(0, atMs);
        Log("green " + Number(CuMs(atMs)));
        return;
    }
    SetLight(uint8_t(1 + m_lampsLit), atMs);
    if (m_lampsLit != JumpLamp || m_jumpMask == 0)
        return;
    // Moving before the green: the unit times the crossing, flashes its
    // lamps and waits for START to line the cars up again.
    m_phase = TPhase::JumpStart;
    SetLight(8, atMs);
    for (int address = 1; address <= Addresses; ++address) {
        if (!(m_jumpMask & (1u << (address - 1))))
            continue;
        Queue({uint8_t(address), CuMs(atMs), 1});
        Log("jump " + Number(address) + ' ' + Number(CuMs(atMs)));
    }
    m_jumpMask = 0;
}

void TControlUnit::Cross(int address, int64_t atMs)
{
    TCar& car = m_cars[size_t(address - 1)];
    Log("crossing " + Number(address) + ' ' + Number(CuMs(atMs)) + " 1");
    Queue({uint8_t(address), CuMs(atMs), 1});
    uint8_t& fuel = m_fuel[size_t(address - 1)];
    if ((m_mode & FuelModeBit) && fuel > 0)
        --fuel;
    car.Next = (car.Next + 1) % car.LapMs.size();
    car.NextCrossing += car.LapMs[car.Next];
}

void TControlUnit::Queue(const TTimerEvent& event)
{
    if (m_events.size() >= QueueSize) {
        Log("dropped " + Number(event.Address) + ' ' + Number(event.TimeMs) + ' ' + Number(event.Sector));
        return;
    }
    m_events.push_back(event);
}

void TControlUnit::SetLight(uint8_t light, int64_t atMs)
{
    if (light == m_light)
        return;
    m_light = light;
    Log("lights " + Number(light) + ' ' + Number(CuMs(atMs)));
}

int64_t TControlUnit::RacingTimeAt(int64_t atMs) const
{
    return m_phase == TPhase::Racing ? m_racingBefore + atMs - m_greenAt : m_racingBefore;
}

void TControlUnit::Press(int button, int64_t nowMs)
{
    Log("button " + Number(button));
    if (button != StartButton)
        return;
    switch (m_phase) {
    case TPhase::Idle:
    case TPhase::Stopped:
    case TPhase::JumpStart:
        m_phase = TPhase::Armed;
        SetLight(1, nowMs);
        break;
    case TPhase::Armed:
        m_phase = TPhase::Countdown;
        m_countdownFrom = nowMs;
        m_lampsLit = 1;
        SetLight(2, nowMs);
        break;
    case TPhase::Countdown: break;  // the lamps run on
    case TPhase::Racing:
        // The cars stand until the next green; their laps go on from there.
        m_racingBefore = RacingTimeAt(nowMs);
        m_phase = TPhase::Stopped;
        SetLight(1, nowMs);
        Log("stop " + Number(CuMs(nowMs)));
        break;
    }
}

void TControlUnit::SetCar(int address, std::vector<int64_t> lapMs, int64_t nowMs)
{
    TCar& car = m_cars[size_t(address - 1)];
    car.LapMs = std::move(lapMs);
    car.Next = 0;
    if (!car.LapMs.empty())
        car.NextCrossing = RacingTimeAt(nowMs) + car.LapMs.front();
}

void TControlUnit::PitStop(int address, int64_t durationMs, int64_t nowMs)
{
    m_pitUntil[size_t(address - 1)] = nowMs + durationMs;
    m_pitMask = uint8_t(m_pitMask | (1u << (address - 1)));
    Log("pit " + Number(address));
}

QByteArray TControlUnit::Answer(const QByteArray& message, int64_t nowMs)
{
    if (message.isEmpty() || SilentAt(nowMs))
        return {};
    Received(message, nowMs);
    const char command = message[0];
    if (command == '0')
        return WithChecksum('0' + m_options.Version);
    if (command == '?')
        return Poll();
    return QByteArray(1, command) + MessageEnd;
}

void TControlUnit::Received(const QByteArray& message, int64_t nowMs)
{
    switch (message[0]) {
    case '0':
    case '?': return;
    case 'T':
        if (WellFormed(message, 2))
            return Press(NibbleValue(message[1]), nowMs);
        break;
    case '=':
        if (WellFormed(message, 3) && message.mid(1, 2) == "10") {
            m_clockOffset = -nowMs;
            return Log("clock reset");
        }
        break;
    case 'J':
        if (WellFormed(message, 5)) {
            const int target = NibbleValue(message[1]) | (NibbleValue(message[2]) << 4);
            const int word = target % 32;
            const bool tower = word == TowerPlaceWord || word == TowerLapHighWord || word == TowerLapLowWord;
            return Log((tower ? "tower " : "word ") + Number(target / 32) + ' ' + Number(word) + ' ' +
                       Number(NibbleValue(message[3])));
        }
        break;
    case ':':
        if (WellFormed(message, 3))
            return Log("ignore " + Number(NibbleValue(message[1]) | (NibbleValue(message[2]) << 4)));
        break;
    }
    Log("bad " + message);
}

QByteArray TControlUnit::Poll()
{
    if (m_events.empty())
        return WithChecksum(StatusAnswer());
    const TTimerEvent event = m_events.front();
    QByteArray answer("?");
    answer += Nibble(event.Address);
    for (const int shift : U32Shifts)
        answer += Nibble(event.TimeMs >> shift);
    answer += Nibble(event.Sector);
    // A damaged answer does not lose the crossing: the unit tells it again.
    const bool damaged = m_corruptNext;
    answer = WithChecksum(answer);
    if (damaged)
        return answer;
    if (m_repeatNext)
        m_repeatNext = false;
    else
        m_events.pop_front();
    return answer;
}

QByteArray TControlUnit::StatusAnswer() const
{
    QByteArray answer("?:");
    for (const uint8_t fuel : m_fuel)
        answer += Nibble(fuel);
    answer += Nibble(m_light);
    answer += Nibble(m_mode);
    answer += Nibble(m_pitMask);
    answer += Nibble(m_pitMask >> 4);
    answer += Nibble(DisplayedCars);
    if (m_options.LongStatus)
        answer += QByteArray(2, Nibble(0));
    return answer;
}

QByteArray TControlUnit::WithChecksum(QByteArray answer)
{
    unsigned sum = Checksum(answer.constData() + 1, int(answer.size()) - 1);
    if (m_corruptNext) {
        m_corruptNext = false;
        ++sum;
    }
    return answer + Nibble(sum) + MessageEnd;
}
