#include "widgets/grid.h"

#include "widgets/grid_delegate.h"
#include "widgets/grid_look.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>

namespace kaltero::widgets {

// Routes every move of the active cell - mouse, keyboard, Tab out of an editor, code - through
// the grid's leaveCell, so that a refused move never happens at all.
class GridSelectionModel final : public QItemSelectionModel {
public:
    GridSelectionModel(QAbstractItemModel* model, Grid* grid)
        : QItemSelectionModel(model, grid), grid_(grid) {}

    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override {
        if (index != currentIndex() && !grid_->approveMove(currentIndex(), index)) {
            return;
        }
        QItemSelectionModel::setCurrentIndex(index, command);
        grid_->followMove(currentIndex());
    }

private:
    Grid* grid_;
};

Grid::Grid(QWidget* parent) : QTableWidget(parent) {
    setGridLook(this);
    QItemSelectionModel* stock = selectionModel();
    setSelectionModel(new GridSelectionModel(model(), this));
    delete stock;
    auto* cells = new GridDelegate(
        this, [this](const QModelIndex& at) { return cellFormat(at.column() + 1, at.row() + 1); });
    setItemDelegate(cells);
    connect(cells, &GridDelegate::edited, this,
            [this](const QModelIndex& at) { Q_EMIT cellChanged(at.column() + 1, at.row() + 1); });
    connect(cells, &GridDelegate::buttonClicked, this,
            [this](const QModelIndex& at) { Q_EMIT buttonClicked(at.column() + 1, at.row() + 1); });
    onFocusEntering(this, [this] { Q_EMIT gotFocus(); });
}

Grid::~Grid() = default;

bool Grid::isDataCell(int col, int row) const {
    return col >= 1 && col <= columnCount() && row >= 1 && row <= rowCount();
}

void Grid::setHeader(int col, const QString& text) {
    setCellText(col, 0, text);
}

QString Grid::cellText(int col, int row) const {
    if (row == 0) {
        if (col < 1 || col > columnCount()) {
            return {};
        }
        const QTableWidgetItem* header = horizontalHeaderItem(col - 1);
        return header != nullptr ? header->text() : QString();
    }
    if (!isDataCell(col, row)) {
        return {};
    }
    const QTableWidgetItem* cell = item(row - 1, col - 1);
    return cell != nullptr ? cell->text() : QString();
}

void Grid::setCellText(int col, int row, const QString& text) {
    if (row == 0) {
        if (col < 1 || col > columnCount()) {
            return;
        }
        if (QTableWidgetItem* header = horizontalHeaderItem(col - 1)) {
            header->setText(text);
        } else {
            setHorizontalHeaderItem(col - 1, new QTableWidgetItem(text));
        }
        return;
    }
    if (!isDataCell(col, row)) {
        return;
    }
    if (QTableWidgetItem* cell = item(row - 1, col - 1)) {
        cell->setText(text);
    } else if (!text.isEmpty()) {  // empty cells stay without an item: cheap for 999 rows
        setItem(row - 1, col - 1, new QTableWidgetItem(text));
    }
}

void Grid::setCurrent(int col, int row) {
    currentCol_ = col;
    currentRow_ = row;
}

void Grid::activateCurrent() {
    if (!isDataCell(currentCol_, currentRow_)) {
        return;
    }
    const QModelIndex target = model()->index(currentRow_ - 1, currentCol_ - 1);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    if (currentIndex() == target) {
        scrollTo(target);
    }
}

int Grid::activeCol() const {
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.column() + 1 : 0;
}

int Grid::activeRow() const {
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() + 1 : 0;
}

void Grid::deleteCurrentRow() {
    if (currentRow_ < 1 || currentRow_ > rowCount()) {
        return;
    }
    removeRow(currentRow_ - 1);
    insertRow(rowCount());
}

void Grid::setFormat(int col, const CellFormat& format) {
    if (col >= 1) {
        formats_[col] = format;
    }
}

void Grid::setColumnText(int col, int maxLength) {
    CellFormat format;
    format.maxLength = maxLength;
    setFormat(col, format);
}

void Grid::setColumnDecimal(int col, double minimum, double maximum, int decimals) {
    setFormat(col, decimalFormat(minimum, maximum, decimals));
}

void Grid::setColumnInteger(int col, int minimum, int maximum) {
    setFormat(col, integerFormat(minimum, maximum));
}

void Grid::setColumnChoice(int col, const QStringList& items) {
    setFormat(col, choiceFormat(items));
}

void Grid::setColumnButton(int col) {
    CellFormat format;
    format.kind = CellKind::Button;
    setFormat(col, format);
}

void Grid::setColumnLocked(int col, bool locked) {
    CellFormat format = columnFormat(col);
    format.locked = locked;
    setFormat(col, format);
}

Grid::CellFormat Grid::columnFormat(int col) const {
    const auto found = formats_.find(col);
    return found != formats_.end() ? found->second : CellFormat{};
}

void Grid::setCellFormat(int col, int row, const CellFormat& format) {
    cellFormats_[{col, row}] = format;
}

Grid::CellFormat Grid::cellFormat(int col, int row) const {
    const auto found = cellFormats_.find({col, row});
    return found != cellFormats_.end() ? found->second : columnFormat(col);
}

void Grid::setColumnHidden(int col, bool hidden) {
    QTableWidget::setColumnHidden(col - 1, hidden);
}

bool Grid::isColumnHidden(int col) const {
    return QTableWidget::isColumnHidden(col - 1);
}

void Grid::setColumnWidthChars(int col, double chars) {
    setWidthInCharacters(this, col - 1, chars);
}

bool Grid::approveMove(const QModelIndex& from, const QModelIndex& to) {
    if (!to.isValid() || inLeaveCell_) {
        return true;  // clearing the cursor, or a move made by the leaveCell handler itself
    }
    bool cancel = false;
    inLeaveCell_ = true;
    Q_EMIT leaveCell(from.isValid() ? from.column() + 1 : 0, from.isValid() ? from.row() + 1 : 0,
                     to.column() + 1, to.row() + 1, &cancel);
    inLeaveCell_ = false;
    return !cancel;
}

void Grid::followMove(const QModelIndex& to) {
    if (to.isValid()) {
        currentCol_ = to.column() + 1;
        currentRow_ = to.row() + 1;
    }
}

bool Grid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // Only the active cell is edited: after a refused move (a click, or Tab out of an editor)
    // Qt would otherwise open an editor on the cell the cursor never reached.
    if (index.isValid() && index != currentIndex()) {
        return false;
    }
    return QTableWidget::edit(index, trigger, event);
}

void Grid::setSelection(const QRect& /*rect*/, QItemSelectionModel::SelectionFlags /*command*/) {
    // Exactly one cell is selected: the active one. A click whose move the leaveCell handler
    // refused must not select the clicked cell either.
    const QModelIndex active = currentIndex();
    if (active.isValid()) {
        selectionModel()->select(active, QItemSelectionModel::ClearAndSelect);
    }
}

}  // namespace kaltero::widgets
