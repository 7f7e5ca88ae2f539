#include "results/ReportPainter.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

namespace {

// Below this a shrunken wrapped text stops shrinking and is cut at its box.
constexpr qreal SmallestWrappedPoints = 6;

// Paints bands in millimetres on a device that counts in its own dots: the
// painter is left unscaled so that fonts keep the point sizes the device's
// resolution gives them; only positions are converted.
class TBandPainter {
public:
    TBandPainter(QPainter& painter, const QString& fontFamily, const QDateTime& printedAt)
        : m_painter(painter),
          m_dotsPerMmX(painter.device()->logicalDpiX() / 25.4),
          m_dotsPerMmY(painter.device()->logicalDpiY() / 25.4),
          m_fontFamily(fontFamily),
          m_printedAt(QLocale::system().toString(printedAt, QLocale::ShortFormat))
    {
    }

    qreal PageHeightMm() const { return m_painter.device()->height() / m_dotsPerMmY; }

    void Paint(const TReportBand& band, qreal topMm, const QStringList* row, int page)
    {
        const qreal width = m_painter.device()->width();
        const QRectF area(0, topMm * m_dotsPerMmY, width, band.height * m_dotsPerMmY);
        if (band.lineAbovePx > 0)
            m_painter.fillRect(QRectF(area.left(), area.top(), width, LineDots(band.lineAbovePx)), Qt::black);
        if (band.lineBelowPx > 0) {
            const qreal thickness = LineDots(band.lineBelowPx);
            m_painter.fillRect(QRectF(area.left(), area.bottom() - thickness, width, thickness), Qt::black);
        }
        for (const TReportItem& item : band.items)
            PaintItem(item, topMm, row, page);
    }

private:
    qreal LineDots(int pixels) const { return pixels * ReportMmPerPixel * m_dotsPerMmY; }

    QRectF ToDots(const QRectF& mm, qreal topMm) const
    {
        return QRectF(mm.left() * m_dotsPerMmX, (mm.top() + topMm) * m_dotsPerMmY, mm.width() * m_dotsPerMmX,
                      mm.height() * m_dotsPerMmY);
    }

    QFont Font(const TReportFont& style) const
    {
        QFont font(m_fontFamily);
        font.setPointSizeF(style.points);
        font.setBold(style.bold);
        font.setItalic(style.italic);
        return font;
    }

    QString Text(const TReportItem& item, const QStringList* row, int page) const
    {
        switch (item.kind) {
        case TReportItemKind::Label: return item.text;
        case TReportItemKind::Field:
            return row && item.field >= 0 && item.field < row->size() ? row->at(item.field) : QString();
        case TReportItemKind::DateTime: return m_printedAt;
        case TReportItemKind::PageNumber: return QString::number(page);
        case TReportItemKind::Picture: break;
        }
        return {};
    }

    // The largest size, not above the design's, at which the wrapped text
    // fits its box (a word longer than the box's width does not wrap).
    QFont FittedWrapped(QFont font, const QRectF& box, int flags, const QString& text) const
    {
        for (qreal points = font.pointSizeF(); points > SmallestWrappedPoints; points -= 1) {
            font.setPointSizeF(points);
            const QRectF needed = QFontMetricsF(font, m_painter.device()).boundingRect(box, flags, text);
            if (needed.height() <= box.height() && needed.width() <= box.width())
                return font;
        }
        font.setPointSizeF(SmallestWrappedPoints);
        return font;
    }

    void PaintItem(const TReportItem& item, qreal topMm, const QStringList* row, int page)
    {
        QRectF box = ToDots(item.box, topMm);
        if (item.kind == TReportItemKind::Picture) {
            if (!item.picture.isNull())
                m_painter.drawImage(box, item.picture);
            return;
        }
        const QString text = Text(item, row, page);
        QFont font = Font(item.font);
        const QFontMetricsF metrics(font, m_painter.device());
        const bool automaticWidth = box.width() <= 0;
        if (automaticWidth)
            box.setWidth(metrics.horizontalAdvance(text));
        if (box.height() <= 0)
            box.setHeight(metrics.height());
        int flags = int(item.alignment & Qt::AlignHorizontal_Mask) | Qt::AlignTop;
        if (item.wordWrap) {
            flags |= Qt::TextWordWrap;
            font = FittedWrapped(font, box, flags, text);
        }

        m_painter.save();
        m_painter.setFont(font);
        m_painter.setPen(Qt::black);
        // A fixed box keeps a long name out of the next column.
        if (!automaticWidth)
            m_painter.setClipRect(box);
        m_painter.drawText(box, flags, text);
        m_painter.restore();
        if (item.lineBelowPx > 0) {
            const qreal thickness = LineDots(item.lineBelowPx);
            m_painter.fillRect(QRectF(box.left(), box.bottom() - thickness, box.width(), thickness), Qt::black);
        }
    }

    QPainter& m_painter;
    const qreal m_dotsPerMmX;
    const qreal m_dotsPerMmY;
    const QString m_fontFamily;
    const QString m_printedAt;
};

}  // namespace

void SetReportPage(QPagedPaintDevice& device)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                     QPageLayout::Millimeter));
}

int PaintReport(QPagedPaintDevice& device, const TReportDesign& design, const std::vector<QStringList>& rows,
                const QDateTime& printedAt)
{
    SetReportPage(device);
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    TBandPainter bands(painter, design.fontFamily, printedAt);
    // The footer stands at the bottom of every page; the rows fill the room
    // between it and the header, and at least one row goes on each page so
    // that an oversized band cannot make pages without end.
    const qreal footerTop = bands.PageHeightMm() - design.pageFooter.height;

    int page = 1;
    bands.Paint(design.pageHeader, 0, nullptr, page);
    qreal top = design.pageHeader.height;
    bool pageHasRows = false;
    for (const QStringList& row : rows) {
        if (pageHasRows && top + design.detail.height > footerTop) {
            bands.Paint(design.pageFooter, footerTop, nullptr, page);
            if (!device.newPage())
                return 0;
            ++page;
            bands.Paint(design.pageHeader, 0, nullptr, page);
            top = design.pageHeader.height;
            pageHasRows = false;
        }
        bands.Paint(design.detail, top, &row, page);
        top += design.detail.height;
        pageHasRows = true;
    }
    bands.Paint(design.pageFooter, footerTop, nullptr, page);
    return painter.end() ? page : 0;
}
