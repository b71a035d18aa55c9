#pragma once

#include <QTableView>

#include <set>

namespace kaltero::widgets {

// A car's lap grid: a view of the car's laps as an item model holds them, so it keeps no text
// of its own. Every column is a line of up to 60 characters; the model decides which are
// editable and takes or refuses what the operator types.
//
// Addressing is 1-based like widgets::Grid: row 0 is the header row, data rows 1..rowCount()
// are model rows 0..rowCount()-1, columns 1..columnCount() are model columns 0..columnCount()-1.
// The current cell (setCurrent) is the one activateCurrent() moves the cursor to; it follows
// the cursor wherever the operator moves it.
class LapGrid : public QTableView {
    Q_OBJECT

public:
    explicit LapGrid(QWidget* parent = nullptr);
    ~LapGrid() override;

    using QTableView::edit;  // edit(index): opens the editor of the active cell

    void setModel(QAbstractItemModel* model) override;

    int rowCount() const;
    int columnCount() const;
    // Row 0 is the header. Cells outside the grid read as "".
    QString cellText(int col, int row) const;

    void setCurrent(int col, int row);
    int currentCol() const { return currentCol_; }
    int currentRow() const { return currentRow_; }
    // Moves the cursor to the current cell and scrolls it into view; a current cell outside
    // the data rows leaves it where it is.
    void activateCurrent();
    // 0 while no cell is active.
    int activeCol() const;
    int activeRow() const;

    // 1-based; stays through the model starting over (QTableView's own overloads count from 0).
    void setColumnHidden(int col, bool hidden);
    bool isColumnHidden(int col) const;

Q_SIGNALS:
    // The model refused what the operator typed into (col, row); the cell shows the model's text.
    void editRefused(int col, int row);
    // The focus came into the grid from outside it (not back from the grid's own cell editor).
    void gotFocus();

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    friend class LapGridDelegate;

    bool isDataCell(int col, int row) const;
    void hideColumns();

    int currentCol_ = 1;
    int currentRow_ = 1;
    std::set<int> hidden_;
    QMetaObject::Connection reset_;
};

}  // namespace kaltero::widgets
