#include "results/ResultReports.h"

#include "common/AppInfo.h"
#include "common/JpegImage.h"
#include "common/ProgramFiles.h"
#include "results/ReportPainter.h"

#include <QCoreApplication>
#include <QDir>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

const TReportFont BaseFont{10};
const TReportFont HeadingFont{12, true};
const TReportFont TitleFont{18, true, true};
const TReportFont NameFont{24, true};

// A width of 0 makes the item as wide as its text.
TReportItem Label(const QRectF& box, const QString& text, const TReportFont& font,
                  Qt::Alignment alignment = Qt::AlignLeft)
{
    TReportItem item;
    item.box = box;
    item.text = text;
    item.font = font;
    item.alignment = alignment;
    return item;
}

TReportItem Field(const QRectF& box, int field, Qt::Alignment alignment = Qt::AlignLeft)
{
    TReportItem item;
    item.kind = TReportItemKind::Field;
    item.box = box;
    item.field = field;
    item.font = BaseFont;
    item.alignment = alignment;
    return item;
}

TReportItem Item(TReportItemKind kind, const QRectF& box)
{
    TReportItem item;
    item.kind = kind;
    item.box = box;
    item.font = BaseFont;
    return item;
}

// Title, championship name and a line under the headings; the headings are
// the report's own.
TReportBand PageHeader(const QString& title, qreal titleHeight, const QString& championship)
{
    TReportBand band;
    band.height = 28.3;
    band.lineBelowPx = 2;
    TReportItem titleItem = Label({0, 0, 190.8, titleHeight}, title, TitleFont, Qt::AlignHCenter);
    titleItem.lineBelowPx = 1;
    // A name too long for one line wraps inside its box instead of running
    // off the page.
    TReportItem nameItem = Label({0, 10.6, 190.8, 10.8}, championship, NameFont, Qt::AlignHCenter);
    nameItem.wordWrap = true;
    nameItem.lineBelowPx = 2;
    band.items = {titleItem, nameItem};
    return band;
}

TReportBand PageFooter(qreal dateLeft, const QImage& logo)
{
    TReportBand band;
    band.height = 10.6;
    band.lineAbovePx = 2;
    TReportItem logoItem = Item(TReportItemKind::Picture, {2.1, 2.9, 11.1, 6.9});
    logoItem.picture = logo;
    band.items = {logoItem, Label({14.8, 4.2, 0, 0}, QString::fromLatin1(Kobalap::VersionCaption), BaseFont),
                  Item(TReportItemKind::DateTime, {dateLeft, 4.2, 0, 0}),
                  Item(TReportItemKind::PageNumber, {175.7, 4.2, 0, 0})};
    return band;
}

// Points as the grids show them: the shortest form, "20", "18.5".
QString PointsText(double points) { return QString::number(points, 'g', 15); }

void StandingsReport(const TStandings& standings, const QImage& logo, TReportDesign& design,
                     std::vector<QStringList>& rows)
{
    design.pageHeader = PageHeader(QStringLiteral("Championship Results"), 8.7, standings.Championship);
    design.pageHeader.items.push_back(Label({2.1, 22.2, 13.0, 5.3}, QStringLiteral("Nr"), HeadingFont, Qt::AlignRight));
    design.pageHeader.items.push_back(Label({21.2, 22.2, 0, 5.3}, QStringLiteral("Driver"), HeadingFont));
    design.pageHeader.items.push_back(Label({110.1, 22.2, 0, 5.3}, QStringLiteral("Points"), HeadingFont));
    design.detail.height = 6.35;
    design.detail.items = {Field({2.1, 2.1, 13.0, 4.5}, 0, Qt::AlignRight), Field({21.2, 2.1, 0, 4.5}, 1),
                           Field({110.1, 2.1, 0, 4.5}, 2)};
    design.pageFooter = PageFooter(86.8, logo);
    for (const TTotalsRow& row : standings.Totals)
        rows.push_back({QString::number(row.Nr), row.Driver, PointsText(row.TotalPoints)});
}

void RacePointsReport(const TStandings& standings, const QImage& logo, TReportDesign& design,
                      std::vector<QStringList>& rows)
{
    design.pageHeader = PageHeader(QStringLiteral("Championship Detail Results"), 9.8, standings.Championship);
    design.pageHeader.items.push_back(Label({8.5, 22.2, 0, 5.3}, QStringLiteral("Race"), HeadingFont));
    design.pageHeader.items.push_back(Label({65.6, 22.2, 0, 5.3}, QStringLiteral("Driver"), HeadingFont));
    // A timed championship ranks by distance, a lap championship by time.
    design.pageHeader.items.push_back(Label({129.1, 22.2, 31.8, 5.3},
                                            standings.Timed ? QStringLiteral("Laps") : QStringLiteral("Time"),
                                            HeadingFont, Qt::AlignRight));
    design.pageHeader.items.push_back(
        Label({163.0, 22.2, 19.6, 5.3}, QStringLiteral("Points"), HeadingFont, Qt::AlignRight));
    design.detail.height = 4.2;
    design.detail.items = {Field({8.5, 0, 55.3, 4.5}, 0), Field({65.6, 0, 61.6, 4.5}, 1),
                           Field({129.1, 0, 32.0, 4.5}, 2, Qt::AlignRight),
                           Field({163.0, 0, 19.3, 4.5}, 3, Qt::AlignRight)};
    design.pageFooter = PageFooter(84.7, logo);
    for (const TRacePointsRow& row : standings.RacePoints)
        rows.push_back({row.Race, row.Driver, row.TimeStr, PointsText(row.Points)});
}

}  // namespace

int PaintResultReport(QPagedPaintDevice& device, TResultReport report, const TStandings& standings,
                      const QDateTime& printedAt, const QImage& logo)
{
    TReportDesign design;
    std::vector<QStringList> rows;
    if (report == TResultReport::Standings)
        StandingsReport(standings, logo, design, rows);
    else
        RacePointsReport(standings, logo, design, rows);
    return PaintReport(device, design, rows, printedAt);
}

QImage ReportLogo() { return DecodeJpegFile(ProgramFile(QStringLiteral("logo.jpg"))); }

bool WriteResultReportPdf(const QString& path, TResultReport report, const TStandings& standings,
                          const QDateTime& printedAt, QString& error)
{
    QSaveFile file(path);
    // Where no temporary file can be made beside the target, fail rather than
    // fall back to writing the target in place: a half-written report must
    // never stand under the chosen name.
    file.setDirectWriteFallback(false);
    QString cause;
    if (!file.open(QIODevice::WriteOnly)) {
        cause = file.errorString();
    } else {
        {
            QPdfWriter writer(&file);
            writer.setCreator(QString::fromLatin1(Kobalap::VersionCaption).trimmed());
            writer.setTitle(standings.Championship);
            if (PaintResultReport(writer, report, standings, printedAt, ReportLogo()) == 0)
                cause = QStringLiteral("the report could not be drawn");
        }
        if (cause.isEmpty() && file.commit())
            return true;
        if (cause.isEmpty())
            cause = file.errorString();
        file.cancelWriting();
    }
    error = QStringLiteral("The report file %1 could not be written: %2").arg(QDir::toNativeSeparators(path), cause);
    return false;
}
