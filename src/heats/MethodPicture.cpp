#include "heats/MethodPicture.h"

#include "common/FittedFont.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {
// Fixed colours rather than the palette: the pictures are illustrations and
// must read the same under every desktop theme.
const QColor Paper(255, 255, 255);
const QColor Ink(45, 45, 45);
const QColor Border(170, 170, 170);
const QColor Hover(0, 120, 215);
const QColor Lane(226, 230, 235);
const QColor Slot(178, 184, 192);
const QColor WindowFrame(230, 150, 0);
const QColor WindowFill(255, 236, 190);

constexpr int Margin = 6;
constexpr int CaptionHeight = 24;
constexpr int DriverCount = 5;
constexpr int TrackCount = 4;

QColor DriverColour(int driver)
{
    static const QColor colours[DriverCount] = {
        {214, 39, 40}, {31, 119, 180}, {44, 160, 44}, {240, 120, 0}, {148, 103, 189}};
    return colours[(driver - 1) % DriverCount];
}

// One driver: a coloured disc with his number; a faded one stands outside
// the heat.
void DrawDriver(QPainter& painter, const QPointF& centre, qreal radius, int driver, const QFont& digitFont,
                bool faded = false)
{
    QColor fill = DriverColour(driver);
    if (faded)
        fill = QColor::fromRgbF(fill.redF() * 0.3 + 0.7, fill.greenF() * 0.3 + 0.7, fill.blueF() * 0.3 + 0.7);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(fill);
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(faded ? QColor(255, 255, 255, 200) : QColor(Qt::white));
    painter.setFont(digitFont);
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    painter.drawText(box, Qt::AlignCenter, QString::number(driver));
}

// A straight arrow from `from` to `to` with its head at `to`; without a head
// it is the first half of a move that wraps round.
void DrawArrow(QPainter& painter, const QPointF& from, const QPointF& to, bool head = true)
{
    painter.setPen(QPen(Ink, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(from, to);
    if (!head)
        return;
    const qreal angle = qAtan2(to.y() - from.y(), to.x() - from.x());
    const qreal length = 6.0;
    const qreal spread = M_PI / 7;
    QPainterPath tip;
    tip.moveTo(to);
    tip.lineTo(to - QPointF(qCos(angle - spread), qSin(angle - spread)) * length);
    tip.lineTo(to - QPointF(qCos(angle + spread), qSin(angle + spread)) * length);
    tip.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Ink);
    painter.drawPath(tip);
}

QFont Bold(QFont font)
{
    font.setBold(true);
    return font;
}

QStringList HeatLabels(int count)
{
    QStringList labels;
    for (int heat = 1; heat <= count; ++heat)
        labels << QStringLiteral("Heat %1").arg(heat);
    return labels;
}

// The labels' font, fitted by width and height alone: they are drawn at the
// left, where a letter's overhang (the T of "Track") would otherwise count
// as not fitting at any size.
QFont LabelFont(const QFont& font, const QStringList& texts, const QSize& room)
{
    return FittedFont(font, texts, room - QSize(6, 0), Qt::AlignHCenter);
}

void DrawLabel(QPainter& painter, const QRectF& box, const QString& text, const QFont& font, Qt::Alignment alignment)
{
    painter.setPen(Ink);
    painter.setFont(font);
    painter.drawText(alignment.testFlag(Qt::AlignLeft) ? box.adjusted(2, 0, 0, 0) : box, alignment | Qt::AlignVCenter,
                     text);
}

// Method A: four drivers on the four lanes; from heat to heat each moves on
// to the next track, the one on the last track round to the first.
void DrawGroupsWithRotation(QPainter& painter, const QRect& area, const QFont& baseFont)
{
    const QStringList heats = HeatLabels(TrackCount);
    const int labelWidth = 46;
    const int headerHeight = 18;
    const qreal laneWidth = qreal(area.width() - labelWidth) / TrackCount;
    const qreal rowHeight = qreal(area.height() - headerHeight) / TrackCount;
    const qreal radius = qMin(laneWidth, rowHeight) * 0.31;
    const QFont labelFont =
        LabelFont(baseFont, heats + QStringList{QStringLiteral("Track")}, QSize(labelWidth, headerHeight));
    const QFont digitFont =
        FittedFont(Bold(baseFont), {QStringLiteral("4")}, QSize(int(radius * 1.6), int(radius * 1.6)), Qt::AlignCenter);

    auto laneLeft = [&](int track) { return area.left() + labelWidth + (track - 1) * laneWidth; };
    auto centre = [&](int heat, int track) {
        return QPointF(laneLeft(track) + laneWidth / 2, area.top() + headerHeight + (heat - 0.5) * rowHeight);
    };

    DrawLabel(painter, QRectF(area.left(), area.top(), labelWidth, headerHeight), QStringLiteral("Track"), labelFont,
              Qt::AlignLeft);
    const qreal laneTop = area.top() + headerHeight;
    for (int track = 1; track <= TrackCount; ++track) {
        const QRectF lane(laneLeft(track) + 3, laneTop, laneWidth - 6, area.bottom() + 1 - laneTop);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Lane);
        painter.drawRoundedRect(lane, 4, 4);
        painter.setPen(QPen(Slot, 2));
        painter.drawLine(QPointF(lane.center().x(), lane.top() + 4), QPointF(lane.center().x(), lane.bottom() - 4));
        DrawLabel(painter, QRectF(laneLeft(track), area.top(), laneWidth, headerHeight), QString::number(track),
                  labelFont, Qt::AlignHCenter);
    }

    for (int heat = 1; heat <= TrackCount; ++heat) {
        DrawLabel(painter, QRectF(area.left(), centre(heat, 1).y() - rowHeight / 2, labelWidth, rowHeight),
                  heats[heat - 1], labelFont, Qt::AlignLeft);
        if (heat < TrackCount) {
            for (int track = 1; track <= TrackCount; ++track) {
                const QPointF from = centre(heat, track);
                const QPointF to = centre(heat + 1, track % TrackCount + 1);
                const QPointF step(laneWidth, rowHeight);
                const QPointF unit = step / qSqrt(QPointF::dotProduct(step, step));
                if (track < TrackCount) {
                    DrawArrow(painter, from + unit * (radius + 3), to - unit * (radius + 3));
                } else {
                    // The last track's driver leaves on the right and comes
                    // back in on the first track.
                    const qreal toEdge = (laneWidth / 2 - 3) / unit.x();
                    DrawArrow(painter, from + unit * (radius + 3), from + unit * toEdge, false);
                    const QPointF into = centre(heat + 1, 1);
                    DrawArrow(painter, into - unit * toEdge, into - unit * (radius + 3));
                }
            }
        }
        for (int track = 1; track <= TrackCount; ++track) {
            const int driver = (track - heat + TrackCount) % TrackCount + 1;
            DrawDriver(painter, centre(heat, track), radius, driver, digitFont);
        }
    }
}

// Method B: all drivers in one order; the heat is a window of four that
// slides one place along the order per heat and wraps round at its end.
void DrawSlidingWindow(QPainter& painter, const QRect& area, const QFont& baseFont)
{
    const QStringList heats = HeatLabels(DriverCount);
    const int labelWidth = 46;
    const qreal cellWidth = qreal(area.width() - labelWidth) / DriverCount;
    const qreal rowHeight = qreal(area.height()) / DriverCount;
    const qreal radius = qMin(cellWidth, rowHeight) * 0.33;
    const QFont labelFont = LabelFont(baseFont, heats, QSize(labelWidth, int(rowHeight)));
    const QFont digitFont =
        FittedFont(Bold(baseFont), {QStringLiteral("5")}, QSize(int(radius * 1.6), int(radius * 1.6)), Qt::AlignCenter);

    auto cellLeft = [&](int position) { return area.left() + labelWidth + (position - 1) * cellWidth; };
    for (int heat = 1; heat <= DriverCount; ++heat) {
        const qreal top = area.top() + (heat - 1) * rowHeight;
        const qreal middle = top + rowHeight / 2;
        DrawLabel(painter, QRectF(area.left(), top, labelWidth, rowHeight), heats[heat - 1], labelFont, Qt::AlignLeft);

        // The window covers positions heat .. heat + 3; past the last
        // driver it goes on at the first, so it may come in two pieces.
        const int last = heat + TrackCount - 1;
        QList<QPair<int, int>> pieces{{heat, qMin(last, DriverCount)}};
        if (last > DriverCount)
            pieces.append({1, last - DriverCount});
        painter.setPen(QPen(WindowFrame, 2));
        painter.setBrush(WindowFill);
        for (const auto& piece : pieces) {
            const QRectF frame(cellLeft(piece.first) + 2, middle - radius - 4,
                               (piece.second - piece.first + 1) * cellWidth - 4, 2 * radius + 8);
            painter.drawRoundedRect(frame, radius + 4, radius + 4);
        }
        for (int position = 1; position <= DriverCount; ++position) {
            const bool inHeat = (position - heat + DriverCount) % DriverCount < TrackCount;
            DrawDriver(painter, QPointF(cellLeft(position) + cellWidth / 2, middle), radius, position, digitFont,
                       !inHeat);
        }
    }
}
}  // namespace

TMethodPicture::TMethodPicture(TKind kind, const QSize& size, QWidget* parent) : QWidget(parent), m_kind(kind)
{
    setFixedSize(size);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(kind == TKind::GroupsWithRotation ? QStringLiteral("Groups of drivers rotate over the tracks")
                                                 : QStringLiteral("A window of drivers slides along one order"));
}

void TMethodPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Paper);

    const QRect area = rect().adjusted(Margin, Margin, -Margin, -Margin - CaptionHeight);
    if (m_kind == TKind::GroupsWithRotation)
        DrawGroupsWithRotation(painter, area, font());
    else
        DrawSlidingWindow(painter, area, font());

    const QRect caption(Margin, height() - Margin - CaptionHeight, width() - 2 * Margin, CaptionHeight);
    const QString text = m_kind == TKind::GroupsWithRotation ? QStringLiteral("A: Groups with track rotation")
                                                             : QStringLiteral("B: Sliding window");
    DrawLabel(painter, caption, text, FittedFont(Bold(font()), {text}, caption.size(), Qt::AlignCenter),
              Qt::AlignHCenter);

    // The frame shows which picture a click or Space would pick.
    const bool marked = underMouse() || hasFocus();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(marked ? Hover : Border, marked ? 2 : 1));
    painter.drawRect(
        QRectF(rect()).adjusted(marked ? 1 : 0.5, marked ? 1 : 0.5, marked ? -1 : -0.5, marked ? -1 : -0.5));
}

void TMethodPicture::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

void TMethodPicture::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit Clicked();
    else
        QWidget::mouseReleaseEvent(event);
}

void TMethodPicture::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit Clicked();
    else
        QWidget::keyPressEvent(event);
}
