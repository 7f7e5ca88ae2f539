#pragma once

#include <QChar>

// The filter of every numeric edit field: true when the typed character may
// go in (the digits 0..9, Backspace, Enter), false when the key press is to
// be discarded.
bool EditNumKeyPress(QChar typed);
