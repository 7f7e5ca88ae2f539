#pragma once

#include <QSqlDatabase>
#include <QSqlQueryModel>
#include <QStringList>
#include <QTableView>
#include <QVariantList>

// A read-only, row-selecting grid over one query. The leading key columns of
// the query are hidden; the rest are shown under the given headers. Reload()
// runs the query afresh (bound parameters only) and fetches every row, so no
// statement is left open on the database between actions.
class TRecordGrid : public QTableView {
    Q_OBJECT
public:
    TRecordGrid(QSqlDatabase db, const QString& sql, int keyColumns, const QStringList& headers,
                QWidget* parent = nullptr);

    // Runs the query with these parameters and stands on row `row` (clamped to
    // the rows there are). False with the store's message when it fails.
    bool Reload(const QVariantList& parameters, int row, QString& error);
    void SetColumnWidths(const QList<int>& widths);

    bool HasRow() const { return CurrentRow() >= 0; }
    int CurrentRow() const;
    int RowCount() const { return m_model.rowCount(); }
    // Key column `column` of the current row, 0 when there is no row.
    int Key(int column = 0) const;
    // The row whose key column 0 is `key`, -1 when there is none.
    int RowOfKey(int key) const;
    QString Text(int shownColumn) const;
    void SelectRow(int row);

    // Lets the user select several rows (Ctrl- and Shift-click). A reload then
    // selects none, so no action falls on a row the user did not pick.
    void AllowSeveralRows();
    // Key column `column` of every selected row, in list order.
    QList<int> SelectedKeys(int column = 0) const;

signals:
    void CurrentRowChanged();

private:
    QSqlDatabase m_db;
    QString m_sql;
    int m_keyColumns;
    QStringList m_headers;
    QSqlQueryModel m_model;
    bool m_reloading = false;
    bool m_severalRows = false;
};
