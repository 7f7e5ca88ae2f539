#pragma once

#include <QList>
#include <QStringList>

class QFont;
class QLabel;
class QTableWidget;
class QWidget;

// A read-only, row-selecting grid of texts under the given headings, laid
// out like the record grids; columns with a width get it, the last one
// stretches. Windows fill it from rows they have read.
QTableWidget* MakeTextGrid(const QString& name, const QStringList& headers, const QList<int>& widths, QWidget* parent);

// Widens each column that MakeTextGrid gave a width to hold its heading and
// every text it now shows in the grid's font, never narrower than it was
// made: a 25-character name or a non-finisher's "999:99.999" is read whole,
// not cut to "999:99.9...". Columns keep their order and headings.
void FitColumnsToTexts(QTableWidget* grid);

// The title panel across the top of a window: centred, bold italic navy text
// in the given font (its size is the window's own).
QLabel* MakeTitlePanel(QFont font, QWidget* parent);
