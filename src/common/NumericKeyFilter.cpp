#include "common/NumericKeyFilter.h"

#include "common/DigitFilter.h"

#include <QKeyEvent>
#include <QWidget>

void TNumericKeyFilter::Install(QWidget* edit) { edit->installEventFilter(new TNumericKeyFilter(edit)); }

bool TNumericKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool typesCharacter =
            text.size() == 1 && (text.at(0).isPrint() || text.at(0) == QLatin1Char('\b') ||
                                 text.at(0) == QLatin1Char('\r') || text.at(0) == QLatin1Char('\n'));
        const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (typesCharacter && !shortcut && !EditNumKeyPress(text.at(0)))
            return true;  // discarded
    }
    return QObject::eventFilter(watched, event);
}
