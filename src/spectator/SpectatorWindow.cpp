#include "spectator/SpectatorWindow.h"

#include "spectator/SpectatorPainter.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cstring>

TSpectatorWindow::TSpectatorWindow(TSpectatorBoard& board, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowDoesNotAcceptFocus), m_board(board)
{
    setObjectName(QStringLiteral("SpectatorScreen"));
    setWindowTitle(QStringLiteral("Kobalap - Spectators"));
    // Shown, it must leave the keyboard with the director's window; and when
    // the director closes the main window the program ends even if this one
    // is still up on the wall.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(1280, 720);
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &TSpectatorWindow::Poll);
    connect(&m_board, &TSpectatorBoard::SceneChanged, this, qOverload<>(&QWidget::update));
}

QScreen* TSpectatorWindow::OtherScreen(const QScreen* home)
{
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != home)
            return screen;
    return nullptr;
}

void TSpectatorWindow::ShowBeside(const QWidget& home)
{
    if (QScreen* wall = OtherScreen(home.screen())) {
        setScreen(wall);
        setGeometry(wall->geometry());
        // Nobody points at a TV on the wall; a cursor left there would sit over the ranking.
        setCursor(Qt::BlankCursor);
        showFullScreen();
    } else {
        unsetCursor();
        showNormal();
    }
}

void TSpectatorWindow::Poll()
{
    if (m_board.Scene() != TSpectatorScene::Race)
        return;
    // Repaint only for a change: the race publishes some 25 times a second,
    // and a TV that repaints the same picture costs the race PC for nothing.
    const TRaceSnapshot& race = m_board.Race();
    if (std::memcmp(&race, &m_painted, sizeof race) != 0)
        update();
}

void TSpectatorWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintSpectatorScene(painter, rect(), m_board);
    m_painted = m_board.LastRace();
    ++m_paintCount;
}

void TSpectatorWindow::mouseDoubleClickEvent(QMouseEvent*) { close(); }

void TSpectatorWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    emit Closed();
}

void TSpectatorWindow::showEvent(QShowEvent* event)
{
    m_poll.start();
    QWidget::showEvent(event);
}

void TSpectatorWindow::hideEvent(QHideEvent* event)
{
    m_poll.stop();
    QWidget::hideEvent(event);
}
