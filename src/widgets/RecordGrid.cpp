#include "widgets/RecordGrid.h"

#include <QHeaderView>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

TRecordGrid::TRecordGrid(QSqlDatabase db, const QString& sql, int keyColumns, const QStringList& headers,
                         QWidget* parent)
    : QTableView(parent), m_db(db), m_sql(sql), m_keyColumns(keyColumns), m_headers(headers)
{
    setModel(&m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(22);
    horizontalHeader()->setStretchLastSection(true);  // no empty strip right of the last column
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        if (!m_reloading)
            emit CurrentRowChanged();
    });
}

bool TRecordGrid::Reload(const QVariantList& parameters, int row, QString& error)
{
    QSqlQuery query(m_db);
    bool ok = query.prepare(m_sql);
    for (const QVariant& value : parameters)
        query.addBindValue(value);
    ok = ok && query.exec();
    if (!ok) {
        error = query.lastError().text();
        m_model.clear();
        emit CurrentRowChanged();
        return false;
    }
    // One notice for the whole reload: the row set by SelectRow() would
    // otherwise be announced twice, and whoever follows the grid would run
    // its own query twice.
    m_reloading = true;
    m_model.setQuery(std::move(query));
    while (m_model.canFetchMore())
        m_model.fetchMore();
    for (int column = 0; column < m_keyColumns; ++column)
        setColumnHidden(column, true);
    for (int i = 0; i < m_headers.size(); ++i)
        m_model.setHeaderData(m_keyColumns + i, Qt::Horizontal, m_headers.at(i));
    if (m_severalRows) {
        clearSelection();
        if (m_model.rowCount() > 0)
            selectionModel()->setCurrentIndex(m_model.index(std::clamp(row, 0, m_model.rowCount() - 1), m_keyColumns),
                                              QItemSelectionModel::NoUpdate);
    } else {
        SelectRow(row);
    }
    m_reloading = false;
    emit CurrentRowChanged();
    return true;
}

void TRecordGrid::SetColumnWidths(const QList<int>& widths)
{
    for (int i = 0; i < widths.size(); ++i)
        setColumnWidth(m_keyColumns + i, widths.at(i));
}

int TRecordGrid::CurrentRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() && current.row() < m_model.rowCount() ? current.row() : -1;
}

int TRecordGrid::Key(int column) const
{
    const int row = CurrentRow();
    return row < 0 ? 0 : m_model.index(row, column).data().toInt();
}

int TRecordGrid::RowOfKey(int key) const
{
    for (int row = 0; row < m_model.rowCount(); ++row)
        if (m_model.index(row, 0).data().toInt() == key)
            return row;
    return -1;
}

QString TRecordGrid::Text(int shownColumn) const
{
    const int row = CurrentRow();
    return row < 0 ? QString() : m_model.index(row, m_keyColumns + shownColumn).data().toString();
}

void TRecordGrid::SelectRow(int row)
{
    const int rows = m_model.rowCount();
    if (rows == 0) {
        setCurrentIndex(QModelIndex());
        return;
    }
    row = std::clamp(row, 0, rows - 1);
    setCurrentIndex(m_model.index(row, m_keyColumns));
    selectRow(row);
}

void TRecordGrid::AllowSeveralRows()
{
    m_severalRows = true;
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

QList<int> TRecordGrid::SelectedKeys(int column) const
{
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        rows << index.row();  // once per selected cell
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QList<int> keys;
    for (const int row : rows)
        keys << m_model.index(row, column).data().toInt();
    return keys;
}
