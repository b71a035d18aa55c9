#pragma once

#include "core/slot_state.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace kaltero::masterdata {

// One line of Drivers.ini: name,target car.
struct DriverRecord {
    QString name;
    QString target;  // "全車" or "１号車" .. "５号車"; anything else lists the driver nowhere

    friend bool operator==(const DriverRecord&, const DriverRecord&) = default;
};

// The car slots (0..4) whose driver lists get a driver with this target, compared character
// by character. "全車" -> {0,1,2,3,4}, "３号車" -> {2}, "3号車" (half-width) -> {}, "３号車 " -> {}
QList<int> targetSlots(QStringView target);

// A record from the fields of one line; missing fields read empty, extra ones are ignored.
DriverRecord driverFromFields(const QStringList& fields);
// {"Taro", "全車"} -> "Taro,全車"
QString driverLine(const DriverRecord& driver);

// The drivers of Drivers.ini in file order; a missing file is created empty. Empty optional
// when the file exists but cannot be read.
std::optional<QList<DriverRecord>> readDriversFile(const QString& path);

// The record an editor row (cells of columns 1..2: name, target) stands for; empty when its
// name is empty once commas and blanks are dealt with. The target keeps its blanks.
std::optional<DriverRecord> driverFromGridRow(const QStringList& cells);
// Writes Drivers.ini from the editor's rows in row order, skipping rows without a name.
// False when the file could not be written; the old file is then left as it was.
bool writeDriversFile(const QString& path, const QList<QStringList>& gridRows);

// The drivers a slot's driver list offers, in file order.
QList<DriverRecord> driversFor(int slot, const QList<DriverRecord>& drivers);
// Their names as the list shows them.
QStringList driverNames(const QList<DriverRecord>& drivers);
// Cell texts of the driver editor: one row per record (an unknown target shows as stored),
// padded with empty rows to kEditorRows.
QList<QStringList> driverGridRows(const QList<DriverRecord>& drivers);

// What loading Drivers.ini gives the console window.
struct DriversFileLoad {
    QList<QStringList> gridRows;
    // The drivers for the five driver lists; empty optional with GridOnly.
    std::optional<QList<DriverRecord>> drivers;
    // False when the file exists but could not be read; the grid and lists are then empty.
    bool readable = true;
};
DriversFileLoad loadDriversFile(const QString& path, bool GridOnly);

}  // namespace kaltero::masterdata
