#pragma once

#include <QDateTime>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

class QPagedPaintDevice;

// A small banded report: a page header on every page, one detail band per
// data row, and a page footer at the bottom of every page, the last one too.
// Everything is measured in millimetres from the top-left corner of the
// band, inside the page margins, so a design reads like the paper it makes.
// It paints on any paged device: the print preview, a printer or a PDF file.

// One pixel of a line width as a screen has it (1/96 inch), in millimetres.
inline constexpr qreal ReportMmPerPixel = 25.4 / 96.0;

enum class TReportItemKind {
    Label,       // `text`
    Field,       // the detail row's text number `field`
    DateTime,    // when the report is printed, in the system's short format
    PageNumber,  // the number of the page, from 1
    Picture,     // `picture`, stretched to the box
};

struct TReportFont {
    qreal points = 10;
    bool bold = false;
    bool italic = false;
};

struct TReportItem {
    TReportItemKind kind = TReportItemKind::Label;
    // Left, top, width and height in mm from the band's top-left corner. A
    // width of 0 makes the item as wide as its text; a height of 0 as high as
    // one line of it.
    QRectF box;
    QString text;
    int field = -1;
    Qt::Alignment alignment = Qt::AlignLeft;
    // A wrapped text that would not fit its box is set smaller until it does,
    // rather than have its second line cut off.
    bool wordWrap = false;
    TReportFont font;
    int lineBelowPx = 0;  // a line this many pixels wide along the bottom edge
    QImage picture;
};

struct TReportBand {
    qreal height = 0;  // mm
    int lineAbovePx = 0;
    int lineBelowPx = 0;
    std::vector<TReportItem> items;
};

struct TReportDesign {
    QString fontFamily = QStringLiteral("Arial");
    TReportBand pageHeader;
    TReportBand detail;
    TReportBand pageFooter;
};

// A4 portrait with 10 mm margins on all four sides, where the device lets
// its page be set (a PDF writer, a printer before printing starts).
void SetReportPage(QPagedPaintDevice& device);

// Paints the report, page by page from the device's current page: the detail
// band once for each of `rows` (the display texts of its fields, in order).
// Returns the number of pages, or 0 when the device could not be painted on.
int PaintReport(QPagedPaintDevice& device, const TReportDesign& design, const std::vector<QStringList>& rows,
                const QDateTime& printedAt);
