#pragma once

#include "common/WindowPlacement.h"

#include <QSqlDatabase>
#include <QWidget>
#include <functional>

struct TAppWindows;
class TRecordGrid;

// The Drivers page: every driver in name order, with Add, Change and Delete.
class TDriversPage : public QWidget {
    Q_OBJECT
public:
    TDriversPage(QSqlDatabase db, TAppWindows& windows, std::function<TWindowPlacement()> placement,
                 QWidget* parent = nullptr);

    // Reopens the view of the drivers and stands on the given row.
    void Reload(int row);
    TRecordGrid* Grid() const { return m_grid; }

public slots:
    void ButtonDriverAddClick();
    void ButtonDriverChangeClick();
    void ButtonDriverDeleteClick();

private:
    QSqlDatabase m_db;
    TAppWindows& m_windows;
    TRecordGrid* m_grid = nullptr;
};
