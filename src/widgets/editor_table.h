#pragma once

#include "widgets/cell_format.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <map>

namespace kaltero::widgets {

// One column of an editor table: its header, what the operator may type into it and its width
// in average characters.
struct EditorColumn {
    QString header;
    CellFormat format;
    double widthChars = 0;
};

// The rows of an editor as the operator types them: the cell texts stay exactly as typed until
// the editor is saved, when the file's rules make records of them. A number out of its range, a
// text longer than its column allows or a pick not in its list is refused, and the cell keeps
// its value; locked cells and button cells take no text at all.
class EditorTable final : public QAbstractTableModel {
    Q_OBJECT

public:
    EditorTable(QList<EditorColumn> columns, QObject* parent);

    const QList<EditorColumn>& columns() const { return columns_; }
    // One cell of its own kind in a column of another (the settings' precision and seconds).
    void setCellFormat(int row, int column, const CellFormat& format);
    CellFormat format(const QModelIndex& index) const;

    // Replaces every row at once; a row shorter than the columns reads as empty cells.
    void setRows(const QList<QStringList>& rows);
    QList<QStringList> rows() const { return rows_; }
    QString text(int row, int column) const;
    // Sets a cell by code, unchecked (a value read from a file or the settings).
    void setText(int row, int column, const QString& text);
    // Removes a row; the rows below move up and an empty row is added at the end, so the row
    // count stays.
    void deleteRow(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    bool refuses(const QModelIndex& index, const QString& text) const;

    QList<EditorColumn> columns_;
    QList<QStringList> rows_;
    std::map<std::pair<int, int>, CellFormat> cellFormats_;
};

}  // namespace kaltero::widgets
