#include "widgets/lap_grid.h"

#include "widgets/grid_look.h"

#include <QApplication>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace kaltero::widgets {

namespace {

constexpr int kMaxLength = 60;

}  // namespace

// A line editor per cell; only text the operator really changed goes to the model, and a
// refusal is told to the grid's owner.
class LapGridDelegate final : public QStyledItemDelegate {
public:
    explicit LapGridDelegate(LapGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                          const QModelIndex& /*index*/) const override {
        auto* line = new QLineEdit(parent);
        line->setFrame(false);
        line->setMaxLength(kMaxLength);
        return line;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->setText(index.data(Qt::EditRole).toString());
            line->setModified(false);
            line->selectAll();
        }
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        // Opening and closing an editor is not a change.
        if (line == nullptr || !line->isModified() ||
            line->text() == index.data(Qt::EditRole).toString()) {
            return;
        }
        if (!model->setData(index, line->text(), Qt::EditRole)) {
            Q_EMIT grid_->editRefused(index.column() + 1, index.row() + 1);
        }
    }

private:
    LapGrid* grid_;
};

LapGrid::LapGrid(QWidget* parent) : QTableView(parent) {
    setGridLook(this);
    setItemDelegate(new LapGridDelegate(this));
    onFocusEntering(this, [this] { Q_EMIT gotFocus(); });
}

LapGrid::~LapGrid() = default;

void LapGrid::setModel(QAbstractItemModel* model) {
    disconnect(reset_);
    QTableView::setModel(model);
    if (model != nullptr) {
        // A model starting over forgets the header's hidden sections.
        reset_ = connect(model, &QAbstractItemModel::modelReset, this, [this] { hideColumns(); });
    }
    hideColumns();
}

int LapGrid::rowCount() const {
    return model() != nullptr ? model()->rowCount() : 0;
}

int LapGrid::columnCount() const {
    return model() != nullptr ? model()->columnCount() : 0;
}

bool LapGrid::isDataCell(int col, int row) const {
    return col >= 1 && col <= columnCount() && row >= 1 && row <= rowCount();
}

QString LapGrid::cellText(int col, int row) const {
    if (model() == nullptr || col < 1 || col > columnCount()) {
        return {};
    }
    if (row == 0) {
        return model()->headerData(col - 1, Qt::Horizontal).toString();
    }
    if (!isDataCell(col, row)) {
        return {};
    }
    return model()->index(row - 1, col - 1).data(Qt::DisplayRole).toString();
}

void LapGrid::setCurrent(int col, int row) {
    currentCol_ = col;
    currentRow_ = row;
}

void LapGrid::activateCurrent() {
    if (!isDataCell(currentCol_, currentRow_)) {
        return;
    }
    const QModelIndex target = model()->index(currentRow_ - 1, currentCol_ - 1);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    scrollTo(target);
}

int LapGrid::activeCol() const {
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.column() + 1 : 0;
}

int LapGrid::activeRow() const {
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() + 1 : 0;
}

void LapGrid::setColumnHidden(int col, bool hidden) {
    if (hidden) {
        hidden_.insert(col);
    } else {
        hidden_.erase(col);
    }
    QTableView::setColumnHidden(col - 1, hidden);
}

bool LapGrid::isColumnHidden(int col) const {
    return QTableView::isColumnHidden(col - 1);
}

void LapGrid::hideColumns() {
    for (int col : hidden_) {
        QTableView::setColumnHidden(col - 1, true);
    }
}

bool LapGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // Only the active cell is edited, as in the console's other grids.
    if (index.isValid() && index != currentIndex()) {
        return false;
    }
    return QTableView::edit(index, trigger, event);
}

void LapGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (current.isValid()) {
        currentCol_ = current.column() + 1;
        currentRow_ = current.row() + 1;
    }
}

}  // namespace kaltero::widgets
