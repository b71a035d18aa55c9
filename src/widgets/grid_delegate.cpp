#include "widgets/grid_delegate.h"

#include "widgets/grid.h"
#include "widgets/number_validator.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace kaltero::widgets {

namespace {

bool isNumber(Grid::CellKind kind) {
    return kind == Grid::CellKind::Decimal || kind == Grid::CellKind::Integer;
}

}  // namespace

GridDelegate::GridDelegate(Grid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                                    const QModelIndex& index) const {
    const Grid::CellFormat format = grid_->cellFormat(index.column() + 1, index.row() + 1);
    if (format.locked) {
        return nullptr;
    }
    switch (format.kind) {
        case Grid::CellKind::Button:
            return nullptr;
        case Grid::CellKind::Choice: {
            auto* combo = new QComboBox(parent);
            combo->addItems(format.items);
            // A pick is the end of the edit, as the operator expects from a drop-down cell.
            connect(combo, &QComboBox::activated, this, [this, combo] {
                Q_EMIT const_cast<GridDelegate*>(this)->commitData(combo);
                Q_EMIT const_cast<GridDelegate*>(this)->closeEditor(combo);
            });
            return combo;
        }
        case Grid::CellKind::Decimal:
        case Grid::CellKind::Integer: {
            auto* line = new QLineEdit(parent);
            line->setFrame(false);
            line->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            const int decimals = format.kind == Grid::CellKind::Integer ? 0 : format.decimals;
            line->setValidator(new NumberValidator(format.minimum, format.maximum, decimals, line));
            return line;
        }
        case Grid::CellKind::Text:
            break;
    }
    auto* line = new QLineEdit(parent);
    line->setFrame(false);
    line->setMaxLength(format.maxLength > 0 ? format.maxLength : 32767);
    return line;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        combo->setCurrentIndex(combo->findText(text));
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setText(text);
        line->setModified(false);
        line->selectAll();
    }
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const {
    const QString old = index.data(Qt::EditRole).toString();
    QString text;
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        if (combo->currentIndex() < 0) {
            return;
        }
        text = combo->currentText();
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        // Opening and closing an editor is not a change, even where the editor could not show
        // the stored text whole (a long text set by code in a 60-character column).
        if (!line->isModified()) {
            return;
        }
        text = line->text();
        if (const auto* numbers = qobject_cast<const NumberValidator*>(line->validator())) {
            if (!text.isEmpty() && numbers->check(text) != QValidator::Acceptable) {
                QApplication::beep();  // out of range: the cell keeps its value
                return;
            }
        }
    } else {
        return;
    }
    if (text == old) {
        return;
    }
    model->setData(index, text, Qt::EditRole);
    Q_EMIT grid_->cellChanged(index.column() + 1, index.row() + 1);
}

void GridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const Grid::CellFormat format = grid_->cellFormat(index.column() + 1, index.row() + 1);
    if (!isNumber(format.kind)) {
        return;
    }
    option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    if (format.kind == Grid::CellKind::Decimal && !option->text.isEmpty()) {
        bool ok = false;
        const double value = option->text.toDouble(&ok);
        if (ok) {
            option->text = QString::number(value, 'f', format.decimals);
        }
    }
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    if (grid_->cellFormat(index.column() + 1, index.row() + 1).kind != Grid::CellKind::Button) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionButton button;
    button.rect = option.rect.adjusted(1, 1, -1, -1);
    button.state = QStyle::State_Raised;
    if (option.state & QStyle::State_Enabled) {
        button.state |= QStyle::State_Enabled;
    }
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
}

bool GridDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                               const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (grid_->cellFormat(index.column() + 1, index.row() + 1).kind != Grid::CellKind::Button) {
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }
    bool pressed = false;
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        pressed =
            mouse->button() == Qt::LeftButton && option.rect.contains(mouse->position().toPoint());
    } else if (event->type() == QEvent::KeyPress) {
        pressed = static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space;
    } else {
        return false;
    }
    // Only a button the cursor reached counts: a click whose move was refused pressed nothing.
    if (pressed && grid_->currentIndex() == index) {
        Q_EMIT grid_->buttonClicked(index.column() + 1, index.row() + 1);
    }
    return pressed;
}

}  // namespace kaltero::widgets
