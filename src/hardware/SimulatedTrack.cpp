#include "hardware/SimulatedTrack.h"

#include "common/MaskFile.h"
#include "common/RaceClock.h"
#include "common/Settings.h"

#include <algorithm>
#include <cmath>

namespace {

// Distance is measured as time at full speed, in thousandths of a
// microsecond, so that a car at full speed covers 1000 units per microsecond
// and a coasting car a whole number of units too. Integer distances make every
// pass land on the same microsecond however the time is cut into steps.
constexpr int64_t FullSpeed = 1000;
// "Far from the line" for the sensor; capped so that it never overflows.
constexpr int64_t FarFromLine = std::numeric_limits<int64_t>::max() / 4;
constexpr uint8_t GreenLine = 0x80;  // line 8

double Uniform(std::mt19937& random) { return double(random()) * (1.0 / 4294967296.0); }

int64_t Between(int64_t low, int64_t high, double u) { return low + int64_t(double(high - low) * u); }

TSimulatedTrackConfig Sanitized(TSimulatedTrackConfig config)
{
    for (int64_t& lap : config.BaseLapUs)
        lap = std::max<int64_t>(lap, 1'000);
    config.SpreadPermille = std::clamp(config.SpreadPermille, 0, 900);
    config.PulseUs = std::max<int64_t>(config.PulseUs, 1);
    config.GridPermille = std::clamp(config.GridPermille, 0, 1000);
    config.CoastUs = std::max<int64_t>(config.CoastUs, 0);
    config.CoastSpeedPermille = std::clamp(config.CoastSpeedPermille, 0, 1000);
    config.GridHoldUs = std::max<int64_t>(config.GridHoldUs, 0);
    config.ReactionMinUs = std::max<int64_t>(config.ReactionMinUs, 0);
    config.ReactionMaxUs = std::max(config.ReactionMaxUs, config.ReactionMinUs);
    config.JumpStartProbability = std::clamp(config.JumpStartProbability, 0.0, 1.0);
    config.JumpEarliestUs = std::max<int64_t>(config.JumpEarliestUs, 0);
    config.JumpLatestUs = std::max(config.JumpLatestUs, config.JumpEarliestUs);
    return config;
}

}  // namespace

TSimulatedTrack::TSimulatedTrack(TRaceClock& clock, const TSettings& settings, const TSensorMasks& masks, uint32_t seed,
                                 const TSimulatedTrackConfig& config)
    : m_clock(clock), m_settings(settings), m_masks(masks), m_config(Sanitized(config))
{
    m_nowUs = m_clock.NowUs();
    for (int i = 0; i < CarCount; ++i) {
        TCar& car = m_cars[size_t(i)];
        std::seed_seq seq{seed, uint32_t(i + 1)};
        car.Random.seed(seq);
        car.TimeUs = m_nowUs;
        PlaceOnGrid(car, i);
    }
}

bool TSimulatedTrack::Open()
{
    m_ready = true;
    m_errorText.clear();
    return true;
}

void TSimulatedTrack::Close() { m_ready = false; }

QString TSimulatedTrack::Description() const { return QStringLiteral("simulated track"); }

bool TSimulatedTrack::ReadPort(uint32_t, TPortSize, uint32_t& value)
{
    if (!m_ready)
        return false;
    AdvanceTo(m_clock.NowUs());
    value = StatusByte();
    return true;
}

void TSimulatedTrack::WritePort(uint32_t, TPortSize, uint32_t value)
{
    if (!m_ready)
        return;
    AdvanceTo(m_clock.NowUs());
    const int64_t now = m_nowUs;
    const uint8_t image = uint8_t(value & 0xFFu);
    const bool greenWas = (m_image & GreenLine) != 0;
    const bool green = (image & GreenLine) != 0;
    m_image = image;

    if (green && !greenWas) {
        for (TCar& car : m_cars)
            if (car.Phase == TCarPhase::Holding)
                car.DepartUs = std::min(car.DepartUs, now + car.ReactionUs);
    }
    for (int i = 0; i < CarCount; ++i) {
        TCar& car = m_cars[size_t(i)];
        const bool powered = PoweredBy(i, image);
        if (powered == car.Powered)
            continue;
        car.Powered = powered;
        if (powered)
            PowerOn(car, i, now, green);
        else
            PowerOff(car, now);
    }
}

bool TSimulatedTrack::PoweredBy(int index, uint8_t image) const
{
    const int line = m_settings.MultiplePowerSignals ? index : 0;
    return (image & (1u << line)) != 0;
}

void TSimulatedTrack::PowerOn(TCar& car, int index, int64_t nowUs, bool green)
{
    // Drawn on every power-on whatever happens next, so that each car's
    // sequence of draws depends only on its own events.
    const double jump = Uniform(car.Random);
    const double jumpAt = Uniform(car.Random);
    const double reaction = Uniform(car.Random);

    if (car.Phase == TCarPhase::Coasting || green) {
        // Still rolling, or the restart at green: no reason to wait.
        car.Phase = TCarPhase::Driving;
        return;
    }
    // A start from the grid: the marshals put the car back on its spot.
    PlaceOnGrid(car, index);
    car.Phase = TCarPhase::Holding;
    car.ReactionUs = Between(m_config.ReactionMinUs, m_config.ReactionMaxUs, reaction);
    if (jump < m_config.JumpStartProbability)
        car.DepartUs = nowUs + Between(m_config.JumpEarliestUs, m_config.JumpLatestUs, jumpAt);
    else
        car.DepartUs = nowUs + m_config.GridHoldUs;
}

void TSimulatedTrack::PowerOff(TCar& car, int64_t nowUs)
{
    if (car.Phase == TCarPhase::Driving) {
        car.Phase = TCarPhase::Coasting;
        car.CoastEndUs = nowUs + m_config.CoastUs;
    } else if (car.Phase == TCarPhase::Holding) {
        car.Phase = TCarPhase::Stopped;
    }
}

void TSimulatedTrack::PlaceOnGrid(TCar& car, int index)
{
    car.ToLine = m_config.BaseLapUs[size_t(index)] * m_config.GridPermille;  // units: base lap * 1000 * permille / 1000
    car.SinceLine = FarFromLine;
    car.Crossings = 0;
    car.LastCrossingUs = NoCrossing;
}

int64_t TSimulatedTrack::NextLapLength(TCar& car, int index)
{
    const double base = double(m_config.BaseLapUs[size_t(index)]);
    const double spread = double(m_config.SpreadPermille) / 1000.0;
    const double lapUs = base * (1.0 + spread * (2.0 * Uniform(car.Random) - 1.0));
    return std::max<int64_t>(std::llround(lapUs * double(FullSpeed)), FullSpeed);
}

void TSimulatedTrack::AdvanceTo(int64_t nowUs)
{
    m_nowUs = std::max(m_nowUs, nowUs);
    for (int i = 0; i < CarCount; ++i)
        AdvanceCar(m_cars[size_t(i)], i, m_nowUs);
}

void TSimulatedTrack::AdvanceCar(TCar& car, int index, int64_t toUs)
{
    while (car.TimeUs < toUs) {
        switch (car.Phase) {
        case TCarPhase::Stopped: car.TimeUs = toUs; break;
        case TCarPhase::Holding:
            if (car.DepartUs > toUs) {
                car.TimeUs = toUs;
            } else {
                car.TimeUs = std::max(car.TimeUs, car.DepartUs);
                car.Phase = TCarPhase::Driving;
            }
            break;
        case TCarPhase::Driving: Move(car, index, toUs, FullSpeed); break;
        case TCarPhase::Coasting:
            Move(car, index, std::min(toUs, car.CoastEndUs), m_config.CoastSpeedPermille);
            if (car.TimeUs >= car.CoastEndUs)
                car.Phase = TCarPhase::Stopped;
            break;
        }
    }
}

void TSimulatedTrack::Move(TCar& car, int index, int64_t endUs, int64_t rate)
{
    if (rate <= 0) {
        car.TimeUs = std::max(car.TimeUs, endUs);
        return;
    }
    while (car.TimeUs < endUs) {
        const int64_t stepUs = endUs - car.TimeUs;
        const int64_t toLineUs = (car.ToLine + rate - 1) / rate;  // first microsecond at or past the line
        if (toLineUs <= stepUs) {
            const int64_t overshoot = toLineUs * rate - car.ToLine;
            car.TimeUs += toLineUs;
            car.Crossings += 1;
            car.LastCrossingUs = car.TimeUs;
            car.SinceLine = overshoot;
            car.ToLine = NextLapLength(car, index) - overshoot;
        } else {
            const int64_t distance = stepUs * rate;
            car.ToLine -= distance;
            car.SinceLine = std::min(car.SinceLine + distance, FarFromLine);
            car.TimeUs = endUs;
        }
    }
}

uint8_t TSimulatedTrack::StatusByte() const
{
    const int64_t pulse = m_config.PulseUs * FullSpeed;
    uint8_t status = 0;
    for (int i = 0; i < CarCount; ++i)
        if (m_cars[size_t(i)].SinceLine < pulse)
            status |= m_masks.Mask[size_t(i)];
    // The program XORs what it reads; XOR here so it reads the level it expects.
    return uint8_t(status ^ m_masks.Xor);
}

const TSimulatedTrack::TCar* TSimulatedTrack::CarAt(int car) const
{
    if (car < 1 || car > CarCount)
        return nullptr;
    return &m_cars[size_t(car - 1)];
}

TCarPhase TSimulatedTrack::Phase(int car) const
{
    const TCar* c = CarAt(car);
    return c ? c->Phase : TCarPhase::Stopped;
}

int64_t TSimulatedTrack::Crossings(int car) const
{
    const TCar* c = CarAt(car);
    return c ? c->Crossings : 0;
}

int64_t TSimulatedTrack::LapsCompleted(int car) const { return std::max<int64_t>(Crossings(car) - 1, 0); }

int64_t TSimulatedTrack::LastCrossingUs(int car) const
{
    const TCar* c = CarAt(car);
    return c ? c->LastCrossingUs : NoCrossing;
}

int64_t TSimulatedTrack::DistanceToLineUs(int car) const
{
    const TCar* c = CarAt(car);
    return c ? c->ToLine / FullSpeed : 0;
}
