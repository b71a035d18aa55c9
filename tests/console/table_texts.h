#pragma once

#include <QAbstractItemModel>
#include <QList>
#include <QStringList>
#include <QTableView>

namespace kaltero::testing {

// A cell of a table as the operator reads it; rows and columns counted from 0.
inline QString cellText(const QTableView* view, int row, int column) {
    return view->model()->index(row, column).data().toString();
}

// A row's cells, left to right.
inline QStringList rowTexts(const QTableView* view, int row) {
    QStringList cells;
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        cells.append(cellText(view, row, c));
    }
    return cells;
}

// Every row of the table, top down.
inline QList<QStringList> tableTexts(const QTableView* view) {
    QList<QStringList> rows;
    for (int r = 0; r < view->model()->rowCount(); ++r) {
        rows.append(rowTexts(view, r));
    }
    return rows;
}

}  // namespace kaltero::testing
