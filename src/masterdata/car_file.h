#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kaltero::masterdata {

// One line of Car.ini: name,owner,tank capacity,average economy.
struct CarRecord {
    QString name;
    QString owner;
    float tankCapacity = 0.0F;  // litres
    float economy = 0.0F;       // km per litre

    friend bool operator==(const CarRecord&, const CarRecord&) = default;
};

// A record from the fields of one line; missing fields read empty or 0, extra ones are ignored.
CarRecord carFromFields(const QStringList& fields);
// The line written for a record. {"Car A", "", 60, 8.5} -> "Car A,,60,8.5"
QString carLine(const CarRecord& car);

// The cars of Car.ini in file order; a missing file is created empty. Empty optional when the
// file exists but cannot be read.
std::optional<QList<CarRecord>> readCarFile(const QString& path);

// The record an editor row (cells of columns 1..4: name, owner, tank, economy) stands for;
// empty when its name is empty once commas and blanks are dealt with.
//   {" A,B ", "Ann", "60.00", ""} -> {"A B", "Ann", 60, 0}
std::optional<CarRecord> carFromGridRow(const QStringList& cells);
// Writes Car.ini from the editor's rows in row order, skipping rows without a name.
// False when the file could not be written; the old file is then left as it was.
bool writeCarFile(const QString& path, const QList<QStringList>& gridRows);

// Cell texts of the car editor: one row per record, padded with empty rows to kEditorRows.
QList<QStringList> carGridRows(const QList<CarRecord>& cars);

// What loading Car.ini gives the console window.
struct CarFileLoad {
    QList<QStringList> gridRows;
    // The cars for the five car lists; empty optional with GridOnly, when the lists are to stay
    // as they are.
    std::optional<QList<CarRecord>> cars;
    // False when the file exists but could not be read; the grid and lists are then empty.
    bool readable = true;
};
CarFileLoad loadCarFile(const QString& path, bool GridOnly);

}  // namespace kaltero::masterdata
