#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kaltero::masterdata {

// Every editor grid holds this many rows; a file the console writes has at most as many records.
inline constexpr int kEditorRows = 50;

// --- Reading a record line ---------------------------------------------------------------

// Splits one line of a master file into its fields. A field ends at a comma or at the end of
// the line and its leading blanks are skipped. A field enclosed in double quotes (the closing
// quote followed only by blanks before the comma) is the text between the quotes; any other
// field is taken as it stands, quotes included.
//   `Car A, Owner ,60`      -> {"Car A", "Owner ", "60"}
//   ` "A,B" ,x`             -> {"A,B", "x"}
//   `"Fast" Car,x`          -> {"\"Fast\" Car", "x"}
//   `a,`                    -> {"a", ""}
QStringList splitFields(QStringView line);

// A numeric field or cell as a single-precision number: its leading number, 0 when it has none
// or when the value does not fit a single.
//   "60.00" -> 60, "8.50" -> 8.5, "12.5L" -> 12.5, "abc" -> 0, "" -> 0, "1e39" -> 0
float singleNumber(QStringView text);

// A numeric field as a 32-bit integer: its leading number rounded half to even, 0 when it has
// none or when the value does not fit. "5807" -> 5807, "2.5" -> 2, "3e9" -> 0
qint32 longNumber(QStringView text);

// --- Building a record from an editor grid row ---------------------------------------------

// A name cell as written: commas become blanks (a comma would split the record), then
// leading and trailing blanks go. Line breaks and TABs become blanks too: a line break would
// split the record over two lines and a TAB would shift the columns of a choice-list entry.
//   " A,B " -> "A B", ", ," -> ""
QString nameCell(QStringView cell);

// A free text cell that keeps its blanks (the driver's target car): commas, line breaks and
// TABs become blanks. "３号車," -> "３号車 "
QString plainCell(QStringView cell);

// A whole number cell: thousands commas dropped, then as longNumber. "5,807" -> 5807, "" -> 0
qint32 longCell(QStringView cell);

// A name as the choice lists show it: a TAB in a hand-edited name becomes a blank.
QString shownName(QString name);

// --- Writing ------------------------------------------------------------------------------

// A single in the general number form, never "-0". 60 -> "60", 8.5 -> "8.5"
QString singleText(float value);

// Editor grid rows padded with empty rows of `columns` cells up to kEditorRows. Longer lists
// stay whole: a hand-made file with more records loses none of them through the editor.
QList<QStringList> paddedGridRows(QList<QStringList> rows, qsizetype columns);

// The text of cell `column` (0-based) of a grid row; empty when the row is shorter.
QString cellAt(const QStringList& row, qsizetype column);

}  // namespace kaltero::masterdata
