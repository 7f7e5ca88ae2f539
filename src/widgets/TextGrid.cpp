#include "widgets/TextGrid.h"

#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QTableWidget>
#include <QVariant>

#include <algorithm>

namespace {
// The widths a grid was made with, kept on the grid itself.
constexpr const char* MadeWidths = "kobalapMadeWidths";
}  // namespace

QTableWidget* MakeTextGrid(const QString& name, const QStringList& headers, const QList<int>& widths, QWidget* parent)
{
    auto* grid = new QTableWidget(0, int(headers.size()), parent);
    grid->setObjectName(name);
    grid->setHorizontalHeaderLabels(headers);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setAlternatingRowColors(true);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    for (int column = 0; column < widths.size(); ++column)
        grid->setColumnWidth(column, widths.at(column));
    // The stretched last column would otherwise never shrink below Qt's
    // default section size, and a grid whose other columns were widened to
    // their texts would scroll sideways for a few pixels.
    const int last = int(headers.size()) - 1;
    if (last >= widths.size())
        grid->setColumnWidth(last, grid->horizontalHeader()->sectionSizeHint(last));
    grid->setProperty(MadeWidths, QVariant::fromValue(widths));
    return grid;
}

void FitColumnsToTexts(QTableWidget* grid)
{
    const QList<int> made = grid->property(MadeWidths).value<QList<int>>();
    // A cell's text stands inside the style's focus margins and the grid line.
    const int margins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1) + 1;
    for (int column = 0; column < made.size() && column < grid->columnCount(); ++column) {
        int needed = std::max(made.at(column), grid->horizontalHeader()->sectionSizeHint(column));
        for (int row = 0; row < grid->rowCount(); ++row) {
            if (const QTableWidgetItem* item = grid->item(row, column)) {
                const QFont font = item->data(Qt::FontRole).isValid() ? item->font() : grid->font();
                // The ink may reach past the advance (an "f" at the end).
                const QFontMetrics metrics(font);
                const int ink =
                    std::max(metrics.horizontalAdvance(item->text()), metrics.boundingRect(item->text()).right() + 1);
                needed = std::max(needed, ink + margins);
            }
        }
        grid->setColumnWidth(column, needed);
    }
}

QLabel* MakeTitlePanel(QFont font, QWidget* parent)
{
    auto* title = new QLabel(parent);
    title->setObjectName(QStringLiteral("PanelTitle"));
    title->setAlignment(Qt::AlignCenter);
    font.setBold(true);
    font.setItalic(true);
    title->setFont(font);
    title->setStyleSheet(QStringLiteral("color: #000080;"));
    return title;
}
