#include "app/SettingsIOTest.h"

#include "app/AppContext.h"
#include "hardware/BoardTimestamps.h"
#include "hardware/carrera/CarreraPort.h"
#include "hardware/carrera/CarreraTestTexts.h"
#include "hardware/lapcounter/LapCounterPort.h"
#include "hardware/lapcounter/LapCounterTestTexts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int ReadIntervalMs = 100;
constexpr int SampleIntervalMs = 10;  // well inside a 30 ms pass
constexpr int FirstLightLine = 5;     // lines 5..8 are the start lights
constexpr int LampDiameter = 18;

TUnitTestState ReadUnit(const TCarreraPort& unit)
{
    TUnitTestState state;
    state.Connected = unit.Connected();
    state.Version = unit.Version();
    state.StartLight = unit.StartLightIndicator();
    for (int address = 1; address <= TUnitTestState::Addresses; ++address) {
        const TCarreraPort::TLastEvent event = unit.LastEvent(address);
        TUnitTestState::TAddress& shown = state.Address[size_t(address - 1)];
        shown.TimeMs = event.TimeMs;
        shown.Sector = event.Sector;
        shown.Count = event.Count;
        // The unit reports the fuel of every address, the cars that count
        // for nothing in a race too: a wiring test shows them all.
        shown.Fuel = unit.Fuel(address);
    }
    return state;
}

TCounterTestState ReadCounter(const TLapCounterPort& counter)
{
    return {counter.Where(), counter.Connected(), counter.Dropped(), counter.StrayLane(), counter.HasOutputs()};
}
}  // namespace

TSensorLamp::TSensorLamp(QWidget* parent) : QWidget(parent) { setFixedSize(sizeHint()); }

void TSensorLamp::SetLit(bool lit)
{
    if (lit == m_lit)
        return;
    m_lit = lit;
    update();
}

QSize TSensorLamp::sizeHint() const { return {LampDiameter + 2, LampDiameter + 2}; }

void TSensorLamp::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(m_lit ? Qt::red : Qt::white);
    painter.drawEllipse(QRectF(1, 1, LampDiameter, LampDiameter));
}

TSettingsIOTest::TSettingsIOTest(TAppContext& context, QWidget* parent)
    : QGroupBox(QStringLiteral("Test I/O"), parent), m_context(context)
{
    setObjectName(QStringLiteral("GroupBoxTestIO"));
    m_timerReadTrack = new QTimer(this);
    m_timerReadTrack->setObjectName(QStringLiteral("TimerReadTrack"));
    m_timerReadTrack->setInterval(ReadIntervalMs);
    connect(m_timerReadTrack, &QTimer::timeout, this, &TSettingsIOTest::TimerReadTrackTimer);
    m_sampleTimer = new QTimer(this);
    m_sampleTimer->setObjectName(QStringLiteral("TimerSampleSensors"));
    m_sampleTimer->setTimerType(Qt::PreciseTimer);
    m_sampleTimer->setInterval(SampleIntervalMs);
    connect(m_sampleTimer, &QTimer::timeout, this, &TSettingsIOTest::SampleSensors);

    m_sensorPanel = BuildSensorPanel();
    m_unitPanel = BuildUnitPanel();
    m_unitPanel->hide();
    m_counterPanel = BuildCounterPanel();
    m_counterPanel->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sensorPanel);
    layout->addWidget(m_unitPanel);
    layout->addWidget(m_counterPanel);

    if (auto* unit = dynamic_cast<const TCarreraPort*>(m_context.port.get()))
        SetUnitReader([unit] { return ReadUnit(*unit); });
    if (auto* counter = dynamic_cast<const TLapCounterPort*>(m_context.port.get()))
        SetCounterReader([counter] { return ReadCounter(*counter); });
}

QWidget* TSettingsIOTest::BuildSensorPanel()
{
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(14);
    grid->addWidget(new QLabel(QStringLiteral("Sensors"), panel), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Power Tracks"), panel), 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("Start Lights"), panel), 3, 0);
    for (int n = 1; n <= TrackCount; ++n) {
        const size_t i = size_t(n - 1);
        auto* head = new QLabel(QString::number(n), panel);
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 0, n, Qt::AlignHCenter);

        m_lamps[i] = new TSensorLamp(panel);
        m_lamps[i]->setObjectName(QStringLiteral("ShapeSensor%1").arg(n));
        grid->addWidget(m_lamps[i], 1, n, Qt::AlignHCenter);

        m_power[i] = new QCheckBox(panel);
        m_power[i]->setObjectName(QStringLiteral("CheckBoxPower%1").arg(n));
        connect(m_power[i], &QCheckBox::clicked, this, &TSettingsIOTest::WritePowerLines);
        grid->addWidget(m_power[i], 2, n, Qt::AlignHCenter);

        m_lights[i] = new QCheckBox(panel);
        m_lights[i]->setObjectName(QStringLiteral("CheckBoxLight%1").arg(n));
        connect(m_lights[i], &QCheckBox::clicked, this, &TSettingsIOTest::WriteLightLines);
        grid->addWidget(m_lights[i], 3, n, Qt::AlignHCenter);
    }
    grid->setColumnStretch(TrackCount + 1, 1);
    return panel;
}

namespace {

// The grid of a panel that shows what a timer reports, caption beside value.
QGridLayout* NewReadoutGrid(QWidget* panel)
{
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(14);
    return grid;
}

QLabel* NewReadout(QWidget* panel, const QString& name)
{
    auto* label = new QLabel(panel);
    label->setObjectName(name);
    return label;
}

}  // namespace

QWidget* TSettingsIOTest::BuildUnitPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("PanelControlUnit"));
    auto* grid = NewReadoutGrid(panel);
    auto value = [panel](const QString& name) { return NewReadout(panel, name); };
    grid->addWidget(new QLabel(QStringLiteral("Control Unit"), panel), 0, 0);
    m_unitVersion = value(QStringLiteral("LabelUnitVersion"));
    grid->addWidget(m_unitVersion, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Start lights"), panel), 1, 0);
    m_unitStartLight = value(QStringLiteral("LabelUnitStartLight"));
    grid->addWidget(m_unitStartLight, 1, 1, 1, 2);
    for (int address = 1; address <= TUnitTestState::Addresses; ++address) {
        const size_t i = size_t(address - 1);
        const int row = 1 + address;
        grid->addWidget(new QLabel(CarreraTestTexts::CarName(address), panel), row, 0);
        m_unitEvents[i] = value(QStringLiteral("LabelUnitEvent%1").arg(address));
        // Room for the longest texts from the start, so the group does not
        // change its width as the times grow or the fuel comes and goes.
        m_unitEvents[i]->setMinimumWidth(
            m_unitEvents[i]->fontMetrics().horizontalAdvance(CarreraTestTexts::EventText(4294967295u, 3, 99999)));
        grid->addWidget(m_unitEvents[i], row, 1);
        m_unitFuel[i] = value(QStringLiteral("LabelUnitFuel%1").arg(address));
        m_unitFuel[i]->setMinimumWidth(m_unitFuel[i]->fontMetrics().horizontalAdvance(CarreraTestTexts::FuelText(15)));
        grid->addWidget(m_unitFuel[i], row, 2);
    }
    auto* note = new QLabel(QStringLiteral("The Control Unit switches the track power and runs the start lights "
                                           "itself: there are no lines to switch here."),
                            panel);
    note->setWordWrap(true);
    grid->addWidget(note, 2 + TUnitTestState::Addresses, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    return panel;
}

QWidget* TSettingsIOTest::BuildCounterPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("PanelLapCounter"));
    auto* grid = NewReadoutGrid(panel);
    auto value = [panel](const QString& name) { return NewReadout(panel, name); };
    grid->addWidget(new QLabel(QStringLiteral("Lap counter"), panel), 0, 0);
    m_counterWhere = value(QStringLiteral("LabelCounterWhere"));
    grid->addWidget(m_counterWhere, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Damaged"), panel), 1, 0);
    m_counterDropped = value(QStringLiteral("LabelCounterDropped"));
    m_counterDropped->setToolTip(QStringLiteral("Messages from the counter dropped as damaged since the start"));
    grid->addWidget(m_counterDropped, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Outputs"), panel), 2, 0);
    m_counterOutputs = value(QStringLiteral("LabelCounterOutputs"));
    grid->addWidget(m_counterOutputs, 2, 1);
    m_counterStrayLane = value(QStringLiteral("LabelCounterStrayLane"));
    m_counterStrayLane->setWordWrap(true);
    m_counterStrayLane->hide();
    grid->addWidget(m_counterStrayLane, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    return panel;
}

void TSettingsIOTest::SetCounterReader(TCounterReader reader)
{
    m_counterReader = std::move(reader);
    m_counterPanel->setVisible(bool(m_counterReader));
    if (m_counterReader)
        ShowCounter();
}

void TSettingsIOTest::ShowCounter()
{
    const TCounterTestState state = m_counterReader();
    m_counterWhere->setText(LapCounterTestTexts::CounterText(state.Where, state.Connected));
    m_counterDropped->setText(LapCounterTestTexts::DroppedText(state.Dropped));
    m_counterOutputs->setText(LapCounterTestTexts::OutputsText(state.HasOutputs));
    const QString stray = LapCounterTestTexts::StrayLaneText(state.StrayLane);
    m_counterStrayLane->setText(stray);
    m_counterStrayLane->setVisible(!stray.isEmpty());
}

void TSettingsIOTest::SetUnitReader(TUnitReader reader)
{
    m_unitReader = std::move(reader);
    m_sensorPanel->setVisible(!m_unitReader);
    m_unitPanel->setVisible(bool(m_unitReader));
    if (!m_unitReader)
        return;
    m_sampleTimer->stop();
    ShowUnit();
}

void TSettingsIOTest::ShowUnit()
{
    const TUnitTestState state = m_unitReader();
    m_unitVersion->setText(CarreraTestTexts::VersionText(state.Version, state.Connected));
    m_unitStartLight->setText(CarreraTestTexts::StartLightText(state.StartLight, state.Connected));
    for (size_t i = 0; i < state.Address.size(); ++i) {
        const TUnitTestState::TAddress& address = state.Address[i];
        m_unitEvents[i]->setText(CarreraTestTexts::EventText(address.TimeMs, address.Sector, address.Count));
        m_unitFuel[i]->setText(CarreraTestTexts::FuelText(address.Fuel));
    }
}

void TSettingsIOTest::StartReading()
{
    if (!m_timerReadTrack->isActive()) {
        m_seenSet.fill(false);
        // A lap counter sends laps only between a start and a stop.
        if (TBoardTimestamps* board = m_context.trackIo ? m_context.trackIo->Port().Timestamps() : nullptr)
            board->StartCounting();
    }
    m_timerReadTrack->start();
    // The unit reports every crossing itself: nothing to sample between ticks.
    if (!m_unitReader)
        m_sampleTimer->start();
}

void TSettingsIOTest::StopReading()
{
    if (m_timerReadTrack->isActive())
        if (TBoardTimestamps* board = m_context.trackIo ? m_context.trackIo->Port().Timestamps() : nullptr)
            board->StopCounting();
    m_timerReadTrack->stop();
    m_sampleTimer->stop();
}

void TSettingsIOTest::SampleSensors()
{
    if (!m_context.trackIo)
        return;
    const TSensorLevels levels = m_context.trackIo->ReadSensors();
    for (size_t i = 0; i < m_seenSet.size(); ++i)
        m_seenSet[i] = m_seenSet[i] || levels[i];
}

void TSettingsIOTest::TimerReadTrackTimer()
{
    if (m_unitReader) {
        ShowUnit();
        return;
    }
    if (!m_context.trackIo)
        return;
    const TSensorLevels levels = m_context.trackIo->ReadSensors();
    for (size_t i = 0; i < m_lamps.size(); ++i)
        m_lamps[i]->SetLit(levels[i] || m_seenSet[i]);
    m_seenSet.fill(false);
    if (m_counterReader)
        ShowCounter();
}

void TSettingsIOTest::ShowTracks(int tracks, bool multiplePower)
{
    m_tracks = tracks;
    for (int n = 1; n <= TrackCount; ++n) {
        m_lamps[size_t(n - 1)]->setVisible(n <= tracks);
        SetPowerBoxVisible(n, n == 1 || (multiplePower && n <= tracks));
    }
}

void TSettingsIOTest::SwitchAllOff()
{
    for (size_t i = 0; i < m_power.size(); ++i) {
        m_power[i]->setChecked(false);
        m_lights[i]->setChecked(false);
    }
    if (m_context.trackIo)
        m_context.trackIo->SwitchAllOff();
}

void TSettingsIOTest::MultiplePowerSwitched(bool on)
{
    for (int n = 2; n <= TrackCount; ++n) {
        if (!on)
            m_power[size_t(n - 1)]->setChecked(false);  // the lines follow below, all three
        SetPowerBoxVisible(n, on && n <= m_tracks);
    }
    if (!on && m_context.trackIo) {
        for (int line = 2; line <= TrackCount; ++line)
            m_context.trackIo->SetOutputLine(line, false);
    }
}

void TSettingsIOTest::SetPowerBoxVisible(int track, bool visible)
{
    QCheckBox* box = m_power[size_t(track - 1)];
    box->setVisible(visible);
    // A box that goes out of sight takes its power with it: a track must not
    // stay powered with nothing on the screen to switch it off.
    if (!visible && box->isChecked()) {
        box->setChecked(false);
        if (m_context.trackIo)
            m_context.trackIo->SetOutputLine(track, false);
    }
}

void TSettingsIOTest::WritePowerLines()
{
    if (!m_context.trackIo)
        return;
    for (int n = 1; n <= TrackCount; ++n)
        m_context.trackIo->SetOutputLine(n, m_power[size_t(n - 1)]->isChecked());
}

void TSettingsIOTest::WriteLightLines()
{
    if (!m_context.trackIo)
        return;
    for (int n = 1; n <= TrackCount; ++n)
        m_context.trackIo->SetOutputLine(FirstLightLine + n - 1, m_lights[size_t(n - 1)]->isChecked());
}
