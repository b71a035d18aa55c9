#include "widgets/editor_table.h"

#include <QColor>

namespace kaltero::widgets {

EditorTable::EditorTable(QList<EditorColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)) {}

void EditorTable::setCellFormat(int row, int column, const CellFormat& format) {
    cellFormats_[{row, column}] = format;
}

CellFormat EditorTable::format(const QModelIndex& index) const {
    const auto own = cellFormats_.find({index.row(), index.column()});
    if (own != cellFormats_.end()) {
        return own->second;
    }
    return columns_.value(index.column()).format;
}

void EditorTable::setRows(const QList<QStringList>& rows) {
    beginResetModel();
    rows_.clear();
    for (QStringList row : rows) {
        row.resize(columns_.size());
        rows_.append(row);
    }
    endResetModel();
}

QString EditorTable::text(int row, int column) const {
    return row >= 0 && row < rows_.size() ? rows_[row].value(column) : QString();
}

void EditorTable::setText(int row, int column, const QString& text) {
    if (row < 0 || row >= rows_.size() || column < 0 || column >= columns_.size()) {
        return;
    }
    rows_[row][column] = text;
    const QModelIndex cell = index(row, column);
    Q_EMIT dataChanged(cell, cell);
}

void EditorTable::deleteRow(int row) {
    if (row < 0 || row >= rows_.size()) {
        return;
    }
    beginRemoveRows({}, row, row);
    rows_.removeAt(row);
    endRemoveRows();
    const int last = static_cast<int>(rows_.size());
    beginInsertRows({}, last, last);
    rows_.append(QStringList(columns_.size()));
    endInsertRows();
}

int EditorTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int EditorTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant EditorTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return text(index.row(), index.column());
        case Qt::ForegroundRole:
            // A locked cell takes no cursor, yet reads like any other.
            return format(index).locked ? QVariant(QColor(Qt::black)) : QVariant();
        default:
            return {};
    }
}

bool EditorTable::refuses(const QModelIndex& index, const QString& text) const {
    const CellFormat cell = format(index);
    if (cell.locked || cell.kind == CellKind::Button) {
        return true;
    }
    if (cell.kind == CellKind::Choice) {
        return !cell.items.contains(text);
    }
    if (cell.kind == CellKind::Text) {
        return text.size() > cell.maxLength;
    }
    return refusesNumber(cell, text);
}

bool EditorTable::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid()) {
        return false;
    }
    const QString typed = value.toString();
    if (refuses(index, typed)) {
        return false;
    }
    rows_[index.row()][index.column()] = typed;
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant EditorTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return columns_.value(section).header;
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags EditorTable::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    const CellFormat cell = format(index);
    if (cell.locked) {
        return Qt::NoItemFlags;  // the cursor passes it by
    }
    const Qt::ItemFlags reachable = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return cell.kind == CellKind::Button ? reachable : reachable | Qt::ItemIsEditable;
}

}  // namespace kaltero::widgets
