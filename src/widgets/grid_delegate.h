#pragma once

#include "widgets/cell_format.h"

#include <QStyledItemDelegate>
#include <functional>

class QAbstractItemView;

namespace kaltero::widgets {

// Edits and draws the cells of a grid by their format: a line limited in length for text, a
// checked line for numbers, a drop-down for choices, a captionless button for buttons.
// Stores only what the operator really changed, and says so (edited).
class GridDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using FormatOf = std::function<CellFormat(const QModelIndex&)>;

    GridDelegate(QAbstractItemView* view, FormatOf formatOf);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

Q_SIGNALS:
    // The operator changed the text of a cell and the model took it.
    void edited(const QModelIndex& index);
    // The operator pressed the button of the cell with the cursor.
    void buttonClicked(const QModelIndex& index);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    QAbstractItemView* view_;
    FormatOf formatOf_;
};

}  // namespace kaltero::widgets
