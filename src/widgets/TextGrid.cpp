#include "widgets/TextGrid.h"

#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

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
    return grid;
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
