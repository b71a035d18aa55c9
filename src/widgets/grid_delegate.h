#pragma once

#include <QStyledItemDelegate>

namespace kaltero::widgets {

class Grid;

// Edits and draws the cells of a Grid by their column kind: a line limited in length for text,
// a checked line for numbers, a drop-down for choices, a captionless button for buttons.
// Stores only what the operator really changed, and tells the grid so (Grid::cellChanged).
class GridDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit GridDelegate(Grid* grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    Grid* grid_;
};

}  // namespace kaltero::widgets
