#include "common/FittedLabel.h"

#include "common/FittedFont.h"

TFittedLabel::TFittedLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    m_fitted = font();
}

void TFittedLabel::Fit(const QFont& laidOut, const QStringList& widest, const QSize& room)
{
    m_room = room.isEmpty() ? contentsRect().size() : room;
    m_fitted = FittedFont(laidOut, widest, m_room, alignment());
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
    const QFont wanted = InkFits(m_fitted, shown, m_room, alignment())
                             ? m_fitted
                             : FittedFont(m_fitted, shown, m_room, alignment());
    if (font() != wanted)
        setFont(wanted);
}
