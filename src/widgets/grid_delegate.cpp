#include "widgets/grid_delegate.h"

#include "widgets/number_validator.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace kaltero::widgets {

namespace {

bool isNumber(CellKind kind) {
    return kind == CellKind::Decimal || kind == CellKind::Integer;
}

}  // namespace

GridDelegate::GridDelegate(QAbstractItemView* view, FormatOf formatOf)
    : QStyledItemDelegate(view), view_(view), formatOf_(std::move(formatOf)) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                                    const QModelIndex& index) const {
    const CellFormat format = formatOf_(index);
    if (format.locked) {
        return nullptr;
    }
    switch (format.kind) {
        case CellKind::Button:
            return nullptr;
        case CellKind::Choice: {
            auto* combo = new QComboBox(parent);
            combo->addItems(format.items);
            // A pick is the end of the edit, as the operator expects from a drop-down cell.
            connect(combo, &QComboBox::activated, this, [this, combo] {
                Q_EMIT const_cast<GridDelegate*>(this)->commitData(combo);
                Q_EMIT const_cast<GridDelegate*>(this)->closeEditor(combo);
            });
            return combo;
        }
        case CellKind::Decimal:
        case CellKind::Integer: {
            auto* line = new QLineEdit(parent);
            line->setFrame(false);
            line->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            const int decimals = format.kind == CellKind::Integer ? 0 : format.decimals;
            line->setValidator(new NumberValidator(format.minimum, format.maximum, decimals, line));
            return line;
        }
        case CellKind::Text:
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
    } else {
        return;
    }
    if (text == old) {
        return;
    }
    // Out of range, or refused by the model: the cell keeps its value.
    if (refusesNumber(formatOf_(index), text) || !model->setData(index, text, Qt::EditRole)) {
        QApplication::beep();
        return;
    }
    Q_EMIT const_cast<GridDelegate*>(this)->edited(index);
}

void GridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const CellFormat format = formatOf_(index);
    if (!isNumber(format.kind)) {
        return;
    }
    option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    if (format.kind == CellKind::Decimal && !option->text.isEmpty()) {
        bool ok = false;
        const double value = option->text.toDouble(&ok);
        if (ok) {
            option->text = QString::number(value, 'f', format.decimals);
        }
    }
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    if (formatOf_(index).kind != CellKind::Button) {
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
    if (formatOf_(index).kind != CellKind::Button) {
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
    if (pressed && view_->currentIndex() == index) {
        Q_EMIT buttonClicked(index);
    }
    return pressed;
}

}  // namespace kaltero::widgets
