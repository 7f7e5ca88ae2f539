#include "app/SettingsIOTest.h"

#include "app/AppContext.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>

namespace {
constexpr int ReadIntervalMs = 100;
constexpr int SampleIntervalMs = 10;  // well inside a 30 ms pass
constexpr int FirstLightLine = 5;     // lines 5..8 are the start lights
constexpr int LampDiameter = 18;
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

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(14);
    grid->addWidget(new QLabel(QStringLiteral("Sensors"), this), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Power Tracks"), this), 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("Start Lights"), this), 3, 0);
    for (int n = 1; n <= TrackCount; ++n) {
        const size_t i = size_t(n - 1);
        auto* head = new QLabel(QString::number(n), this);
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 0, n, Qt::AlignHCenter);

        m_lamps[i] = new TSensorLamp(this);
        m_lamps[i]->setObjectName(QStringLiteral("ShapeSensor%1").arg(n));
        grid->addWidget(m_lamps[i], 1, n, Qt::AlignHCenter);

        m_power[i] = new QCheckBox(this);
        m_power[i]->setObjectName(QStringLiteral("CheckBoxPower%1").arg(n));
        connect(m_power[i], &QCheckBox::clicked, this, &TSettingsIOTest::WritePowerLines);
        grid->addWidget(m_power[i], 2, n, Qt::AlignHCenter);

        m_lights[i] = new QCheckBox(this);
        m_lights[i]->setObjectName(QStringLiteral("CheckBoxLight%1").arg(n));
        connect(m_lights[i], &QCheckBox::clicked, this, &TSettingsIOTest::WriteLightLines);
        grid->addWidget(m_lights[i], 3, n, Qt::AlignHCenter);
    }
    grid->setColumnStretch(TrackCount + 1, 1);
}

void TSettingsIOTest::StartReading()
{
    if (!m_timerReadTrack->isActive())
        m_seenSet.fill(false);
    m_timerReadTrack->start();
    m_sampleTimer->start();
}

void TSettingsIOTest::StopReading()
{
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
    if (!m_context.trackIo)
        return;
    const TSensorLevels levels = m_context.trackIo->ReadSensors();
    for (size_t i = 0; i < m_lamps.size(); ++i)
        m_lamps[i]->SetLit(levels[i] || m_seenSet[i]);
    m_seenSet.fill(false);
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
