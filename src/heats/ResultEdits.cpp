#include "heats/ResultEdits.h"

#include "common/NumericKeyFilter.h"
#include "common/Settings.h"

TResultEdit::TResultEdit(TResultField field, QWidget* parent)
    : QLineEdit(parent), m_field(field), m_limit(ResultFieldLimit(field, TSettings().SectionsPerLap))
{
    TNumericKeyFilter::Install(this);
    connect(this, &QLineEdit::textChanged, this, &TResultEdit::ApplyLimit);
}

void TResultEdit::SetSectionsPerLap(int32_t sectionsPerLap)
{
    m_limit = ResultFieldLimit(m_field, sectionsPerLap);
    ApplyLimit();
}

void TResultEdit::ApplyLimit()
{
    // Setting the cut text changes it once more; the cut text is within the
    // limit, so that second round leaves it alone.
    const QString limited = LimitedFieldText(text(), m_limit);
    if (limited != text())
        setText(limited);
}
