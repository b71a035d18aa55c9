#pragma once

#include "widgets/cell_format.h"

#include <QStringList>
#include <QTableWidget>

#include <map>

namespace kaltero::widgets {

// The console's grid of cells it holds itself: driver grids, the settings grid and the master
// data editors. (A lap grid is a view of its car's laps: widgets::LapGrid.)
//
// Addressing is 1-based as the console thinks of it: row 0 is the header row (Qt's horizontal
// header), data rows 1..rowCount() are table rows 0..rowCount()-1, and columns 1..columnCount()
// are table columns 0..columnCount()-1. Qt's vertical header is the row-number column; hide it
// where a grid has none.
//
// Two cells matter at any time:
//  - the current cell (setCurrent / currentCol / currentRow): the cell that text(), setText(),
//    activateCurrent() and deleteCurrentRow() address. Only code moves it, apart from following
//    the active cell each time the active cell moves.
//  - the active cell (activeCol / activeRow): the cell with the cursor, which the operator
//    edits. Every move of it, by the operator or by activateCurrent(), first raises leaveCell,
//    whose handler may refuse it.
//
// rowCount()/setRowCount()/columnCount()/setColumnCount() are QTableWidget's: setting fewer rows
// drops the rows at the end, more rows adds empty ones, a negative count changes nothing.
//
// Cells hold text. Column kinds decide only what the operator may type: the text a cell holds
// is exactly what was typed or set by code.
class Grid : public QTableWidget {
    Q_OBJECT

public:
    using CellKind = widgets::CellKind;
    using CellFormat = widgets::CellFormat;

    explicit Grid(QWidget* parent = nullptr);
    ~Grid() override;

    using QTableWidget::edit;  // edit(index): opens the editor of the active cell

    void setHeader(int col, const QString& text);
    // Row 0 is the header. Cells outside the grid read as "" and ignore writes.
    QString cellText(int col, int row) const;
    void setCellText(int col, int row, const QString& text);

    void setCurrent(int col, int row);
    int currentCol() const { return currentCol_; }
    int currentRow() const { return currentRow_; }
    QString text() const { return cellText(currentCol_, currentRow_); }
    void setText(const QString& text) { setCellText(currentCol_, currentRow_, text); }
    // Moves the active cell to the current cell and scrolls it into view. A current cell
    // outside the data rows, or a move refused by the leaveCell handler, leaves it where it is.
    void activateCurrent();
    // 0 while no cell is active.
    int activeCol() const;
    int activeRow() const;
    // Removes the current row; the rows below move up and an empty row is added at the end,
    // so the row count stays.
    void deleteCurrentRow();

    void setColumnText(int col, int maxLength = 60);
    void setColumnDecimal(int col, double minimum, double maximum, int decimals);
    void setColumnInteger(int col, int minimum, int maximum);
    void setColumnChoice(int col, const QStringList& items);
    // A button without caption in every cell of the column; pressing it raises buttonClicked.
    void setColumnButton(int col);
    // A locked column shows its text but the operator cannot edit it.
    void setColumnLocked(int col, bool locked);
    CellFormat columnFormat(int col) const;
    // One cell of its own kind in a column of another (the settings grid's precision list and
    // seconds cell); the cell's kind wins over its column's.
    void setCellFormat(int col, int row, const CellFormat& format);
    CellFormat cellFormat(int col, int row) const;

    // 1-based like the rest of this class (QTableView's own overloads count from 0).
    void setColumnHidden(int col, bool hidden);
    bool isColumnHidden(int col) const;
    // Width in average characters of the grid's font.
    void setColumnWidthChars(int col, double chars);

Q_SIGNALS:
    // The operator changed the text of a data cell. Changes made by code raise nothing.
    // (Hides QTableWidget::cellChanged(row, column), which also fires for code changes.)
    void cellChanged(int col, int row);
    // The active cell is about to move from (oldCol, oldRow) to (newCol, newRow); oldCol and
    // oldRow are 0 when no cell was active. Setting *cancel to true keeps it where it is.
    void leaveCell(int oldCol, int oldRow, int newCol, int newRow, bool* cancel);
    void buttonClicked(int col, int row);
    // The focus came into the grid from outside it (not back from the grid's own cell editor).
    void gotFocus();

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;

private:
    friend class GridSelectionModel;

    // Asked by the selection model before every move of the active cell.
    bool approveMove(const QModelIndex& from, const QModelIndex& to);
    void followMove(const QModelIndex& to);
    void setFormat(int col, const CellFormat& format);
    bool isDataCell(int col, int row) const;

    int currentCol_ = 1;
    int currentRow_ = 1;
    bool inLeaveCell_ = false;
    std::map<int, CellFormat> formats_;
    std::map<std::pair<int, int>, CellFormat> cellFormats_;
};

}  // namespace kaltero::widgets
