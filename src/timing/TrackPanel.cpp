#include "timing/TrackPanel.h"

#include "common/FittedFont.h"
#include "timing/FuelAndPits.h"
#include "timing/FuelGauge.h"
#include "timing/RaceGauge.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QTimer>

#include <algorithm>

namespace {

// The widest texts the labels show in the normal course, in every digit: a
// lap time is "ss.mmm"; the laps a track has driven and its total time are
// "laps.sections/m:ss.mmm", laid out for fewer than 100 laps in less than 10
// minutes, as in most races. A longer text still fits, at a smaller size.
const QString WidestLapText = QStringLiteral("00.000");
const QString WidestAverageText = QStringLiteral("Av: 00.000");
const QString WidestFastestText = QStringLiteral("Fa: 00.000");
const QString WidestLapsText = QStringLiteral("00.00/0:00.000");
const QString WidestPitStopsText = QStringLiteral("Pit 00");

QFont ArialFont(int points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(std::max(points, 1));
    font.setBold(bold);
    return font;
}

}  // namespace

TFalseStartLamp::TFalseStartLamp(QWidget* parent) : QWidget(parent) {}

void TFalseStartLamp::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen outline(Qt::white);
    outline.setWidth(OutlineWidth);
    painter.setPen(outline);
    painter.setBrush(FillColour());
    // The outline runs inside the lamp's square, like a shape drawn with a
    // thick pen: its outer edge touches the square's sides.
    const qreal inset = OutlineWidth / 2.0;
    painter.drawEllipse(QRectF(rect()).adjusted(inset, inset, -inset, -inset));
}

TTrackPanel::TTrackPanel(int track, QWidget* parent) : QFrame(parent)
{
    const QString number = QString::number(track);
    setObjectName(QStringLiteral("PanelTrack") + number);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAutoFillBackground(true);

    m_client = new QWidget(this);
    m_gauge = new TRaceGauge(m_client);
    m_gauge->setObjectName(QStringLiteral("GaugeTrack") + number);
    // Created after the gauge, so they lie over it.
    m_currentLap =
        MakeLabel(QStringLiteral("LabelLastLap") + number, QStringLiteral("00.000"), Qt::AlignRight | Qt::AlignVCenter);
    m_average = MakeLabel(QStringLiteral("LabelAverage") + number, QStringLiteral("Av: 00.000"),
                          Qt::AlignLeft | Qt::AlignVCenter);
    m_fastest = MakeLabel(QStringLiteral("LabelFastest") + number, QStringLiteral("Fa: 00.000"),
                          Qt::AlignLeft | Qt::AlignVCenter);
    m_name = MakeLabel(QStringLiteral("LabelName") + number, QStringLiteral("....."), Qt::AlignLeft | Qt::AlignVCenter);
    m_laps =
        MakeLabel(QStringLiteral("LabelLaps") + number, QStringLiteral("0/0:00.000"), Qt::AlignLeft | Qt::AlignVCenter);
    for (QFrame** separator : {&m_separator1, &m_separator2}) {
        *separator = new QFrame(m_client);
        (*separator)->setFrameShape(QFrame::VLine);
        (*separator)->setFrameShadow(QFrame::Raised);
        (*separator)->setLineWidth(1);
        (*separator)->setMidLineWidth(0);
    }
    m_lamp = new TFalseStartLamp(m_client);
    m_lamp->setObjectName(QStringLiteral("LampFalseStart") + number);
    m_lamp->hide();
    m_fuel = new TFuelGauge(m_client);
    m_fuel->setObjectName(QStringLiteral("FuelGauge") + number);
    m_fuel->hide();
    m_pitStops = MakeLabel(QStringLiteral("LabelPitStops") + number, QString(), Qt::AlignLeft | Qt::AlignVCenter);
    m_pitStops->hide();
    // Made last, so that it lies over the fuel and pit count while it shows.
    m_record = new QLabel(m_client);
    m_record->setObjectName(QStringLiteral("LabelRecord") + number);
    m_record->setAlignment(Qt::AlignCenter);
    m_record->hide();
    m_recordShown = new QTimer(this);
    m_recordShown->setSingleShot(true);
    m_recordShown->setInterval(RecordFlashMs);
    connect(m_recordShown, &QTimer::timeout, m_record, &QWidget::hide);
    ApplyLayout(TimerLayout(0, 4).Panel);
}

TFittedLabel* TTrackPanel::MakeLabel(const QString& name, const QString& text, Qt::Alignment alignment)
{
    auto* label = new TFittedLabel(text, m_client);
    label->setObjectName(name);
    label->setAlignment(alignment);
    // Transparent (a label paints no background unless told to), black text.
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

void TTrackPanel::SetColours(const QColor& track, const QColor& gaugeBackground)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, track);
    palette.setColor(QPalette::WindowText, Qt::black);  // the border
    setPalette(palette);
    m_gauge->SetColours(track, gaugeBackground);
}

void TTrackPanel::ApplyLayout(const TTrackPanelLayout& layout)
{
    m_gauge->setGeometry(layout.Gauge);

    const QFont lapFont = ArialFont(layout.CurrentLapPoints, true);
    // The big digits are a touch wider than a third of the panel. Like a
    // right-aligned label that sizes itself, the label keeps its right edge
    // and grows to the left (there is free room before it) rather than cut
    // off the first digit.
    const int needed = QFontMetrics(lapFont).horizontalAdvance(WidestLapText) + 2 + TFittedLabel::RightInkMargin;
    const QRect lap = layout.CurrentLap;
    const int right = lap.x() + lap.width();
    const int left = std::max(0, std::min(lap.x(), right - needed));
    m_currentLap->setGeometry(left, lap.y(), right - left, lap.height());
    m_average->setGeometry(layout.Average);
    m_fastest->setGeometry(layout.Fastest);
    m_name->setGeometry(layout.Name);
    m_laps->setGeometry(layout.Laps);

    // Name and laps run to the panel's edge; the laps text, below the name,
    // stops short of the false-start lamp, which would hide its last digits.
    const int clientWidth = layout.Gauge.width() - 2 * frameWidth();
    const QSize nameRoom(std::min(layout.Name.width(), clientWidth - layout.Name.x()), layout.Name.height());
    const QSize lapsRoom(
        std::min({layout.Laps.width(), clientWidth - layout.Laps.x(), layout.Lamp.x() - layout.Laps.x()}),
        layout.Laps.height());

    const QFont bold = ArialFont(layout.SmallPoints, true);
    m_currentLap->Fit(lapFont, DigitVariants(WidestLapText));
    m_average->Fit(bold, DigitVariants(WidestAverageText));
    m_fastest->Fit(bold, DigitVariants(WidestFastestText));
    m_name->Fit(ArialFont(layout.SmallPoints, false), {}, nameRoom);
    m_laps->Fit(bold, DigitVariants(WidestLapsText), lapsRoom);

    m_separator1->setGeometry(layout.Separator1);
    m_separator2->setGeometry(layout.Separator2);
    m_lamp->setGeometry(layout.Lamp);

    m_fuel->setGeometry(layout.Fuel);
    m_pitStops->setGeometry(layout.PitStops);
    m_pitStops->Fit(ArialFont(layout.PitStopsPoints, true), DigitVariants(WidestPitStopsText));
    m_record->setGeometry(layout.RecordMark);
    m_record->setFont(ArialFont(layout.RecordMarkPoints, true));
}

void TTrackPanel::FlashRecord(const QString& text, bool trackRecord)
{
    // Gold for the club's record, white for a driver's own: readable on every
    // track colour, since the mark brings its own background.
    m_record->setStyleSheet(trackRecord ? QStringLiteral("background: #ffd700; color: black;")
                                        : QStringLiteral("background: white; color: black;"));
    m_record->setText(text);
    m_record->show();
    m_record->raise();
    m_recordShown->start();
}

void TTrackPanel::ClearRecord()
{
    m_recordShown->stop();
    m_record->hide();
}

void TTrackPanel::ShowFuel(int32_t fuel)
{
    // The gauge itself repaints only for a new value.
    m_fuel->setVisible(fuel >= 0);
    if (fuel >= 0)
        m_fuel->SetFuel(fuel);
}

void TTrackPanel::ShowPitStops(int32_t pitStops)
{
    pitStops = std::max(pitStops, -1);
    if (pitStops == m_shownPitStops)
        return;
    m_shownPitStops = pitStops;
    m_pitStops->setVisible(pitStops >= 0);
    if (pitStops >= 0)
        m_pitStops->ShowText(PitStopsText(pitStops));
}

void TTrackPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    m_client->setGeometry(contentsRect());
}
