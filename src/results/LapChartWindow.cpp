#include "results/LapChartWindow.h"

#include "common/AppInfo.h"
#include "common/SettingColour.h"
#include "common/Settings.h"
#include "results/ExportDialog.h"
#include "results/LapGrid.h"

#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QScatterSeries>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <array>
#include <cmath>

namespace {

// Beyond this many points the lap markers would only blur the lines.
constexpr qsizetype MostPointsWithMarkers = 2000;

QPushButton* Button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

// The track colour of a line; a driver who shares it with others gets a
// dash pattern of their own, and past the five patterns a lighter shade.
QPen LinePen(const TSettings& settings, const TLapChartLine& line)
{
    static constexpr std::array<Qt::PenStyle, 5> Dashes = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                                           Qt::DashDotDotLine};
    const int track = std::clamp(line.Track, 1, TSettings::TrackCount);
    QColor colour = ColourOfSetting(settings.Foreground[size_t(track - 1)]);
    if (line.Variant >= int(Dashes.size()))
        colour = colour.lighter(100 + 35 * (line.Variant / int(Dashes.size())));
    QPen pen(colour, 2);
    pen.setStyle(Dashes[size_t(line.Variant) % Dashes.size()]);
    return pen;
}

// A step of 1, 2 or 5 times a power of ten that gives at most `most` ticks
// over `span`, so the ticks fall on round values.
double NiceStep(double span, int most)
{
    if (span <= 0)
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(span / most)));
    for (double factor : {1.0, 2.0, 5.0})
        if (span / (power * factor) <= most)
            return power * factor;
    return power * 10;
}

}  // namespace

TLapChartWindow::TLapChartWindow(const TSettings& settings, const QString& workingDirectory, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_workingDirectory(workingDirectory)
{
    setObjectName(QStringLiteral("LapChartWindow"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint);
    setWindowTitle(Kobalap::SubCaption(QStringLiteral("Lap Chart")));
    setSizeGripEnabled(true);

    m_chart = new QChart;
    // The track colours are those of the race screen, bright on a dark
    // ground; on white the yellow and cyan lines would hardly show.
    m_chart->setTheme(QChart::ChartThemeDark);
    m_chart->legend()->setAlignment(Qt::AlignRight);
    m_chart->setAnimationOptions(QChart::NoAnimation);
    QFont titleFont = m_chart->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    m_chart->setTitleFont(titleFont);

    m_lapAxis = new QValueAxis(m_chart);
    m_lapAxis->setTitleText(QStringLiteral("Lap"));
    m_lapAxis->setLabelFormat(QStringLiteral("%d"));
    m_lapAxis->setTickType(QValueAxis::TicksDynamic);
    m_lapAxis->setTickAnchor(0);
    m_lapAxis->setMinorTickCount(0);
    m_timeAxis = new QValueAxis(m_chart);
    m_timeAxis->setTitleText(QStringLiteral("Lap time (s)"));
    m_timeAxis->setLabelFormat(QStringLiteral("%.3f"));
    m_timeAxis->setTickType(QValueAxis::TicksDynamic);
    m_timeAxis->setTickAnchor(0);
    m_chart->addAxis(m_lapAxis, Qt::AlignBottom);
    m_chart->addAxis(m_timeAxis, Qt::AlignLeft);
    // However far the user zooms, the ticks stay on whole laps and round times.
    connect(m_lapAxis, &QValueAxis::rangeChanged, this, &TLapChartWindow::FitLapTicks);
    connect(m_timeAxis, &QValueAxis::rangeChanged, this, &TLapChartWindow::FitTimeTicks);

    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("ChartLaps"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setRubberBand(QChartView::RectangleRubberBand);

    m_leftOut = new QLabel(this);
    m_leftOut->setObjectName(QStringLiteral("LabelLeftOut"));
    m_leftOut->setWordWrap(true);
    m_leftOut->setTextInteractionFlags(Qt::TextSelectableByMouse);

    QPushButton* resetZoom = Button(QStringLiteral("ButtonResetZoom"), QStringLiteral("Reset Zoom"), this);
    QPushButton* saveImage = Button(QStringLiteral("ButtonSaveImage"), QStringLiteral("Save Image"), this);
    QPushButton* close = Button(QStringLiteral("ButtonClose"), QStringLiteral("Close"), this);
    resetZoom->setToolTip(QStringLiteral("Show every lap again after zooming in with the mouse"));
    saveImage->setToolTip(QStringLiteral("Save the chart as a PNG picture"));
    close->setDefault(true);
    connect(resetZoom, &QPushButton::clicked, this, &TLapChartWindow::ButtonResetZoomClick);
    connect(saveImage, &QPushButton::clicked, this, &TLapChartWindow::ButtonSaveImageClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(resetZoom);
    buttons->addWidget(saveImage);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_leftOut);
    layout->addLayout(buttons);
    resize(900, 600);
}

void TLapChartWindow::Fill(const QString& title, const QList<TDriverLaps>& drivers)
{
    m_chart->removeAllSeries();
    m_data = BuildLapChartData(drivers);
    m_chart->setTitle(title);
    qsizetype points = 0;
    for (const TLapChartLine& line : std::as_const(m_data.Lines))
        points += line.Points.size();
    for (const TLapChartLine& line : std::as_const(m_data.Lines))
        AddLine(line, points <= MostPointsWithMarkers);
    SetAxisRanges();
    const QString leftOut = LeftOutText(m_data.LeftOut);
    m_leftOut->setText(leftOut);
    m_leftOut->setVisible(!leftOut.isEmpty());
}

void TLapChartWindow::AddLine(const TLapChartLine& line, bool pointsVisible)
{
    const QPen pen = LinePen(m_settings, line);
    auto* series = new QLineSeries;
    series->setName(LapChartLineName(line));
    series->replace(line.Points);
    series->setPen(pen);
    series->setPointsVisible(pointsVisible);
    m_chart->addSeries(series);
    series->attachAxis(m_lapAxis);
    series->attachAxis(m_timeAxis);
    if (!line.HasFastest)
        return;

    auto* fastest = new QScatterSeries;
    fastest->setName(QStringLiteral("%1 fastest lap").arg(line.Driver));
    fastest->setMarkerShape(QScatterSeries::MarkerShapeStar);
    fastest->setMarkerSize(16);
    fastest->setColor(pen.color());
    fastest->setBorderColor(Qt::white);
    fastest->append(line.Fastest);
    m_chart->addSeries(fastest);
    fastest->attachAxis(m_lapAxis);
    fastest->attachAxis(m_timeAxis);
    // The line's own legend entry names the fastest lap already.
    for (QLegendMarker* marker : m_chart->legend()->markers(fastest))
        marker->setVisible(false);
    const QString tip = QStringLiteral("%1: fastest lap %2, %3 s")
                            .arg(line.Driver)
                            .arg(int(line.Fastest.x()))
                            .arg(LapTimeText(line.FastestMs));
    connect(fastest, &QScatterSeries::hovered, this, [tip](const QPointF&, bool state) {
        if (state)
            QToolTip::showText(QCursor::pos(), tip);
        else
            QToolTip::hideText();
    });
}

void TLapChartWindow::SetAxisRanges()
{
    // Half a lap and a little time to spare around the points, so the first
    // and the last lap and the extremes are not cut in half by the frame.
    const int lastLap = std::max(1, m_data.LastLap);
    m_lapAxis->setRange(0.5, lastLap + 0.5);
    const double span = m_data.MaxSeconds - m_data.MinSeconds;
    const double margin = std::max(0.05, span * 0.05);
    m_timeAxis->setRange(std::max(0.0, m_data.MinSeconds - margin), m_data.MaxSeconds + margin);
    FitLapTicks(m_lapAxis->min(), m_lapAxis->max());
    FitTimeTicks(m_timeAxis->min(), m_timeAxis->max());
}

void TLapChartWindow::FitLapTicks(double first, double last)
{
    m_lapAxis->setTickInterval(std::max(1.0, NiceStep(last - first, 12)));
}

void TLapChartWindow::FitTimeTicks(double first, double last)
{
    // Below a millisecond the labels could not tell the ticks apart.
    m_timeAxis->setTickInterval(std::max(0.001, NiceStep(last - first, 8)));
}

void TLapChartWindow::ButtonResetZoomClick()
{
    m_chart->zoomReset();
    SetAxisRanges();
}

void TLapChartWindow::ButtonSaveImageClick()
{
    ExportToFile(this, m_workingDirectory, QStringLiteral("LapChart.png"), [this](const QString& path, QString& error) {
        // The file appears complete or not at all under the chosen name.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !m_view->grab().save(&file, "PNG") || !file.commit()) {
            const QString cause = file.error() == QFileDevice::NoError ? QStringLiteral("the picture could not be made")
                                                                       : file.errorString();
            error = QStringLiteral("The chart image %1 could not be written: %2")
                        .arg(QDir::toNativeSeparators(path), cause);
            return false;
        }
        return true;
    });
}
