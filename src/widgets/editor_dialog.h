#pragma once

#include "widgets/editor_table.h"

#include <QDialog>

class QTableView;

namespace kaltero::widgets {

// The object names of an editor's controls, as the operator's scripts know them.
struct EditorNames {
    QString dialog;
    QString table;
    QString ok;
    QString cancel;
};

// An editor over the main window: a table of rows the operator types into, over "登録" and
// "Cancel". It is window-modal while open; "Cancel", Esc and the close box drop what was typed.
class EditorDialog final : public QDialog {
    Q_OBJECT

public:
    EditorDialog(const QString& caption, const EditorNames& names, QList<EditorColumn> columns,
                 QWidget* window);

    EditorTable* table() const { return table_; }
    QTableView* view() const { return view_; }
    // Opens the editor window-modal, centred over the part of the main window on the screen.
    void openCentred();
    // Puts the cursor on a cell (0-based) and the focus in the table.
    void showCell(int row, int column);
    // Sizes the table to show every column and its header whole and `rows` rows, with no
    // row-number column, and the editor around it.
    void fitRows(int rows);

Q_SIGNALS:
    // "登録" was pressed.
    void confirmed();
    // The operator pressed the button of a row (0-based).
    void rowButtonPressed(int row);

private:
    EditorTable* table_;
    QTableView* view_;
};

}  // namespace kaltero::widgets
