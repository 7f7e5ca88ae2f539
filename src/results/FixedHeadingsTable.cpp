#include "results/FixedHeadingsTable.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <algorithm>

// The leading rows and columns of a model; a limit below zero takes them all.
// Rows and columns keep their numbers, so a pane's section n is the table's
// section n.
class TLeadingCells : public QSortFilterProxyModel {
public:
    TLeadingCells(QAbstractItemModel* source, QObject* parent) : QSortFilterProxyModel(parent)
    {
        setSourceModel(source);
    }

    void SetLimits(int rows, int columns)
    {
        m_rows = rows;
        m_columns = columns;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override { return m_rows < 0 || row < m_rows; }
    bool filterAcceptsColumn(int column, const QModelIndex&) const override
    {
        return m_columns < 0 || column < m_columns;
    }

private:
    int m_rows = -1;
    int m_columns = -1;
};

namespace {

void FollowScrollBar(QScrollBar* leader, QScrollBar* follower)
{
    QObject::connect(leader, &QScrollBar::valueChanged, follower, &QScrollBar::setValue);
    QObject::connect(follower, &QScrollBar::valueChanged, leader, &QScrollBar::setValue);
    // A pane learns its range after the table has moved; it catches up then.
    QObject::connect(follower, &QScrollBar::rangeChanged, leader,
                     [leader, follower] { follower->setValue(leader->value()); });
}

void MatchHeader(const QHeaderView* table, QHeaderView* pane)
{
    pane->setMinimumSectionSize(table->minimumSectionSize());
    pane->setDefaultSectionSize(table->defaultSectionSize());
    pane->setSectionResizeMode(QHeaderView::Fixed);
}

}  // namespace

TFixedHeadingsTable::TFixedHeadingsTable(QWidget* parent) : QTableWidget(parent)
{
    // Scrolling by whole rows would let a fixed row half cover a scrolling
    // one; by pixels the panes and the table move as one.
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerPixel);

    m_leftCells = new TLeadingCells(model(), this);
    m_topCells = new TLeadingCells(model(), this);
    m_cornerCells = new TLeadingCells(model(), this);
    // Made in stacking order: the corner lies over both others.
    m_left = AddPane(QStringLiteral("FixedColumns"), m_leftCells);
    m_top = AddPane(QStringLiteral("FixedRows"), m_topCells);
    m_corner = AddPane(QStringLiteral("FixedCorner"), m_cornerCells);
    FollowScrollBar(verticalScrollBar(), m_left->verticalScrollBar());
    FollowScrollBar(horizontalScrollBar(), m_top->horizontalScrollBar());

    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        for (QTableView* pane : {m_left, m_top, m_corner})
            if (column < pane->model()->columnCount())
                pane->setColumnWidth(column, size);
        PlacePanes();
    });
    connect(verticalHeader(), &QHeaderView::sectionResized, this, [this](int row, int, int size) {
        for (QTableView* pane : {m_left, m_top, m_corner})
            if (row < pane->model()->rowCount())
                pane->setRowHeight(row, size);
        PlacePanes();
    });
    SetFixed(0, 0);
}

TFixedHeadingsTable::~TFixedHeadingsTable() = default;

QTableView* TFixedHeadingsTable::AddPane(const QString& name, TLeadingCells* cells)
{
    auto* pane = new QTableView(this);
    pane->setObjectName(name);
    pane->setModel(cells);
    pane->setFrameShape(QFrame::NoFrame);
    pane->setFocusPolicy(Qt::NoFocus);
    pane->setSelectionMode(NoSelection);
    pane->setEditTriggers(NoEditTriggers);
    pane->setHorizontalScrollMode(ScrollPerPixel);
    pane->setVerticalScrollMode(ScrollPerPixel);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->horizontalHeader()->hide();
    pane->verticalHeader()->hide();
    return pane;
}

void TFixedHeadingsTable::SetFixed(int rows, int columns)
{
    m_fixedRows = std::max(rows, 0);
    m_fixedColumns = std::max(columns, 0);
    m_leftCells->SetLimits(-1, m_fixedColumns);
    m_topCells->SetLimits(m_fixedRows, -1);
    m_cornerCells->SetLimits(m_fixedRows, m_fixedColumns);
    for (QTableView* pane : {m_left, m_top, m_corner}) {
        MatchHeader(horizontalHeader(), pane->horizontalHeader());
        MatchHeader(verticalHeader(), pane->verticalHeader());
        // Sections sized apart from the default keep their size in the pane.
        for (int column = 0; column < pane->model()->columnCount(); ++column)
            if (columnWidth(column) != horizontalHeader()->defaultSectionSize())
                pane->setColumnWidth(column, columnWidth(column));
        for (int row = 0; row < pane->model()->rowCount(); ++row)
            if (rowHeight(row) != verticalHeader()->defaultSectionSize())
                pane->setRowHeight(row, rowHeight(row));
    }
    PlacePanes();
}

int TFixedHeadingsTable::FixedHeight() const
{
    int height = 0;
    for (int row = 0; row < std::min(m_fixedRows, rowCount()); ++row)
        height += rowHeight(row);
    return height;
}

int TFixedHeadingsTable::FixedWidth() const
{
    int width = 0;
    for (int column = 0; column < std::min(m_fixedColumns, columnCount()); ++column)
        width += columnWidth(column);
    return width;
}

void TFixedHeadingsTable::updateGeometries()
{
    QTableWidget::updateGeometries();
    PlacePanes();
}

void TFixedHeadingsTable::PlacePanes()
{
    if (!m_corner)  // the table lays itself out while it is being made
        return;
    const QRect port = viewport()->geometry();
    const int height = std::min(FixedHeight(), port.height());
    const int width = std::min(FixedWidth(), port.width());
    m_top->setGeometry(port.x(), port.y(), port.width(), height);
    m_left->setGeometry(port.x(), port.y(), width, port.height());
    m_corner->setGeometry(port.x(), port.y(), width, height);
    m_top->setVisible(height > 0);
    m_left->setVisible(width > 0);
    m_corner->setVisible(height > 0 && width > 0);
    m_top->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
    m_left->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

void TFixedHeadingsTable::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    QTableWidget::scrollTo(index, hint);
    if (!index.isValid())
        return;
    const QRect cell = visualRect(index);
    const int coveredHeight = FixedHeight() - cell.top();
    if (index.row() >= m_fixedRows && coveredHeight > 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - coveredHeight);
    const int coveredWidth = FixedWidth() - cell.left();
    if (index.column() >= m_fixedColumns && coveredWidth > 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - coveredWidth);
}
