#include "timing/KWLStopLicht.h"

#include "common/PlaceWindow.h"

#include <QPainter>
#include <QPalette>

TFKWLStopLicht::TFKWLStopLicht(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("Kobalap Timer"));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    // The lights are something to look at, not to click: showing them must
    // not take the keyboard from the timer window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setGeometry(m_placement.left, m_placement.top, m_placement.width, m_placement.height);
}

QRect TFKWLStopLicht::LampGeometry(int lamp, int width, int height)
{
    const int fifth = width / 5;
    const int side = fifth - 20;
    return QRect(fifth * (lamp - 1) + 8, (height - side) / 2, side, side);
}

QColor TFKWLStopLicht::LampColour(int lamp, bool lit)
{
    if (lamp == LampCount)
        return lit ? QColor(0, 128, 0) : QColor(0, 128, 128);
    return lit ? QColor(255, 0, 0) : QColor(128, 0, 0);
}

void TFKWLStopLicht::PlaceOver(const TWindowPlacement& placement)
{
    m_placement = placement;
    PlaceWindow(*this, placement);
    ResetLamps();
}

void TFKWLStopLicht::ResetLamps()
{
    m_lit.fill(false);
    update();
}

void TFKWLStopLicht::ShowLights()
{
    show();
    raise();
}

void TFKWLStopLicht::SetLamp(int lamp, bool lit)
{
    if (lamp < 1 || lamp > LampCount)
        return;
    m_lit[lamp - 1] = lit;
    update();
}

void TFKWLStopLicht::HideLights() { hide(); }

bool TFKWLStopLicht::LampLit(int lamp) const { return lamp >= 1 && lamp <= LampCount && m_lit[lamp - 1]; }

QRect TFKWLStopLicht::LampRect(int lamp) const
{
    // The lamps follow the bounds they were given; a maximised window has
    // no given size of its own and uses the size it got.
    const bool given = m_placement.state == 0;
    return LampGeometry(lamp, given ? m_placement.width : width(), given ? m_placement.height : height());
}

void TFKWLStopLicht::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The outline lies inside the lamp's square, as a lamp of that size is
    // drawn with its frame included.
    const qreal inset = OutlineWidth / 2.0;
    painter.setPen(QPen(Qt::white, OutlineWidth));
    for (int lamp = 1; lamp <= LampCount; ++lamp) {
        const QRect rect = LampRect(lamp);
        if (rect.width() <= OutlineWidth)
            continue;
        painter.setBrush(LampColour(lamp, m_lit[lamp - 1]));
        painter.drawEllipse(QRectF(rect).adjusted(inset, inset, -inset, -inset));
    }
}
