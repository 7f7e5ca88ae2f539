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

// The title panel across the top of a window: centred, bold italic navy text
// in the given font (its size is the window's own).
QLabel* MakeTitlePanel(QFont font, QWidget* parent);
