#pragma once

#include "common/FittedFont.h"

#include <QStringList>
#include <QStyle>
#include <QTableWidget>
#include <functional>

// The texts of a grid that its columns cut off: each cell's ink must fit
// inside the style's focus margins and the grid line of its column. With
// `checked`, only the cells it accepts (column, text) are looked at.
inline QStringList CutCells(const QTableWidget* grid, const std::function<bool(int, const QString&)>& checked = {})
{
    const int margin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
    QStringList cut;
    for (int r = 0; r < grid->rowCount(); ++r)
        for (int c = 0; c < grid->columnCount(); ++c) {
            const QTableWidgetItem* item = grid->item(r, c);
            if (item && checked && !checked(c, item->text()))
                continue;
            const QSize room(grid->columnWidth(c) - 1 - 2 * margin, grid->rowHeight(r) - 1);
            const auto alignment = Qt::Alignment(item ? item->data(Qt::TextAlignmentRole).toInt() : 0);
            if (item &&
                !InkFits(grid->font(), {item->text()}, room, alignment ? alignment : Qt::AlignLeft | Qt::AlignVCenter))
                cut << item->text();
        }
    return cut;
}
