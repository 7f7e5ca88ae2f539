#include "common/DigitFilter.h"

bool EditNumKeyPress(QChar typed)
{
    const char16_t c = typed.unicode();
    // Only ASCII digits: QChar::isDigit would also let other scripts' digits
    // through, which the integer conversion then rejects.
    return (c >= u'0' && c <= u'9') || c == u'\b' || c == u'\r' || c == u'\n';
}
