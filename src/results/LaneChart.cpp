#include "results/LaneChart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>

namespace {

// Half the width of a whisker's caps, in categories.
constexpr double CapHalfWidth = 0.12;

// The line series only take the axes once they are in the chart.
void AddLine(QChart& chart, QLineSeries* series, QAbstractAxis* x, QAbstractAxis* y, bool inLegend)
{
    chart.addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
    for (QLegendMarker* marker : chart.legend()->markers(series))
        marker->setVisible(inLegend);
}

}  // namespace

TLaneChartData BuildLaneChartData(const TLaneReport& report)
{
    TLaneChartData data;
    for (const TLaneOffset& track : report.Tracks) {
        const double x = double(data.Categories.size());
        const double low = track.LowMs / 1000.0;
        const double high = track.HighMs / 1000.0;
        data.Categories << QStringLiteral("Track %1").arg(track.Track);
        data.Offsets << track.OffsetMs / 1000.0;
        data.Whiskers << QList<QPointF>{{x - CapHalfWidth, low},  {x + CapHalfWidth, low}, {x, low}, {x, high},
                                        {x - CapHalfWidth, high}, {x + CapHalfWidth, high}};
        data.Low = std::min({data.Low, low, data.Offsets.last()});
        data.High = std::max({data.High, high, data.Offsets.last()});
    }
    // A tenth of the span to spare, and some room where every track is even,
    // so the zero line and the whiskers' caps stay off the frame.
    const double margin = std::max(0.01, (data.High - data.Low) * 0.1);
    data.Low -= margin;
    data.High += margin;
    return data;
}

TLaneChart::TLaneChart(QWidget* parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("ChartLanes"));
    setRenderHint(QPainter::Antialiasing);
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    m_tracks = new QBarCategoryAxis(chart);
    m_seconds = new QValueAxis(chart);
    m_seconds->setTitleText(QStringLiteral("Offset (s)"));
    m_seconds->setLabelFormat(QStringLiteral("%+.3f"));
    chart->addAxis(m_tracks, Qt::AlignBottom);
    chart->addAxis(m_seconds, Qt::AlignLeft);
    setChart(chart);
}

void TLaneChart::Show(const TLaneReport& report)
{
    QChart& drawn = *chart();
    drawn.removeAllSeries();
    m_data = BuildLaneChartData(report);
    m_tracks->setCategories(m_data.Categories);
    m_seconds->setRange(m_data.Low, m_data.High);
    // Ticks on round hundredths, not on wherever the margins ended.
    m_seconds->applyNiceNumbers();
    if (m_data.Categories.isEmpty())
        return;

    auto* offsets = new QBarSet(QStringLiteral("Offset"));
    offsets->append(m_data.Offsets);
    auto* bars = new QBarSeries;
    bars->append(offsets);
    drawn.addSeries(bars);
    bars->attachAxis(m_tracks);
    bars->attachAxis(m_seconds);

    const double last = double(m_data.Categories.size()) - 0.5;
    auto* zero = new QLineSeries;
    zero->append({{-0.5, 0.0}, {last, 0.0}});
    zero->setPen(QPen(Qt::black, 1));
    AddLine(drawn, zero, m_tracks, m_seconds, false);
    bool first = true;
    for (const QList<QPointF>& whisker : std::as_const(m_data.Whiskers)) {
        auto* line = new QLineSeries;
        line->setName(QStringLiteral("90 % interval"));
        line->append(whisker);
        line->setPen(QPen(Qt::darkGray, 2));
        AddLine(drawn, line, m_tracks, m_seconds, first);
        first = false;
    }
}
