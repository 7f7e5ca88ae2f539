#include "common/FittedLabel.h"

#include "common/FittedFont.h"

TFittedLabel::TFittedLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setContentsMargins(0, 0, RightInkMargin, 0);
    m_fitted = font();
}

void TFittedLabel::Fit(const QFont& laidOut, const QStringList& widest, const QSize& room)
{
    // The ink may run into the right margin, so a room given from outside
    // leaves that margin at its right end.
    m_room = room.isEmpty() ? contentsRect().size() : QSize(room.width() - RightInkMargin, room.height());
    m_fitted = FittedFont(laidOut, widest, m_room, alignment(), RightInkMargin);
    ApplyFont();
}

void TFittedLabel::ShowText(const QString& text)
{
    setText(text);
    ApplyFont();
}

void TFittedLabel::ApplyFont()
{
    // Checking the text at the fitted size is one measurement; only a text
    // wider than the widest expected needs the search for a smaller size.
    const QStringList shown{text()};
    const QFont wanted = InkFits(m_fitted, shown, m_room, alignment(), RightInkMargin)
                             ? m_fitted
                             : FittedFont(m_fitted, shown, m_room, alignment(), RightInkMargin);
    if (font() != wanted)
        setFont(wanted);
}
