#pragma once

#include <QTableWidget>

class QTableView;
class TLeadingCells;

// A table whose first rows and first columns stay in view while the rest
// scrolls under them, like a spreadsheet's frozen panes. Qt's table has no
// fixed rows of its own, so three views of the same cells are laid over the
// table's viewport: the fixed rows across the top, the fixed columns down the
// left, and the corner where they meet. They follow the table's scrolling and
// section sizes; the table itself still holds every cell, so reading a cell
// works as on any QTableWidget.
class TFixedHeadingsTable : public QTableWidget {
    Q_OBJECT
public:
    explicit TFixedHeadingsTable(QWidget* parent = nullptr);
    ~TFixedHeadingsTable() override;

    // How many leading rows and columns stay in view.
    void SetFixed(int rows, int columns);
    int FixedRows() const { return m_fixedRows; }
    int FixedColumns() const { return m_fixedColumns; }

    // A cell brought into view must not end up under the fixed rows or columns.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    void updateGeometries() override;

private:
    QTableView* AddPane(const QString& name, TLeadingCells* cells);
    int FixedHeight() const;
    int FixedWidth() const;
    void PlacePanes();

    int m_fixedRows = 0;
    int m_fixedColumns = 0;
    TLeadingCells* m_topCells = nullptr;
    TLeadingCells* m_leftCells = nullptr;
    TLeadingCells* m_cornerCells = nullptr;
    QTableView* m_left = nullptr;
    QTableView* m_top = nullptr;
    QTableView* m_corner = nullptr;
};
