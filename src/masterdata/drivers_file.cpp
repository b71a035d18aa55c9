#include "drivers_file.h"

#include "field_rules.h"
#include "record_file.h"

namespace kaltero::masterdata {
namespace {

constexpr int kColumns = 2;

}  // namespace

QList<int> targetSlots(QStringView target) {
    if (target == u"全車") {
        return {0, 1, 2, 3, 4};
    }
    for (int slot = 0; slot < core::kSlotCount; ++slot) {
        if (target == core::carCaption(slot)) {
            return {slot};
        }
    }
    return {};
}

DriverRecord driverFromFields(const QStringList& fields) {
    return DriverRecord{cellAt(fields, 0), cellAt(fields, 1)};
}

QString driverLine(const DriverRecord& driver) {
    return driver.name + u',' + driver.target;
}

std::optional<QList<DriverRecord>> readDriversFile(const QString& path) {
    const auto lines = readRecordFields(path);
    if (!lines) {
        return std::nullopt;
    }
    QList<DriverRecord> drivers;
    for (const QStringList& fields : *lines) {
        drivers.append(driverFromFields(fields));
    }
    return drivers;
}

std::optional<DriverRecord> driverFromGridRow(const QStringList& cells) {
    DriverRecord driver{nameCell(cellAt(cells, 0)), plainCell(cellAt(cells, 1))};
    if (driver.name.isEmpty()) {
        return std::nullopt;
    }
    return driver;
}

bool writeDriversFile(const QString& path, const QList<QStringList>& gridRows) {
    QStringList lines;
    for (const QStringList& row : gridRows) {
        if (const auto driver = driverFromGridRow(row)) {
            lines.append(driverLine(*driver));
        }
    }
    return writeRecordLines(path, lines);
}

QList<DriverRecord> driversFor(int slot, const QList<DriverRecord>& drivers) {
    QList<DriverRecord> offered;
    for (const DriverRecord& driver : drivers) {
        if (targetSlots(driver.target).contains(slot)) {
            offered.append(driver);
        }
    }
    return offered;
}

QStringList driverNames(const QList<DriverRecord>& drivers) {
    QStringList names;
    for (const DriverRecord& driver : drivers) {
        names.append(shownName(driver.name));
    }
    return names;
}

QList<QStringList> driverGridRows(const QList<DriverRecord>& drivers) {
    QList<QStringList> rows;
    for (const DriverRecord& driver : drivers) {
        rows.append({driver.name, driver.target});
    }
    return paddedGridRows(rows, kColumns);
}

DriversFileLoad loadDriversFile(const QString& path, bool GridOnly) {
    const auto drivers = readDriversFile(path);
    const QList<DriverRecord> records = drivers.value_or(QList<DriverRecord>{});
    DriversFileLoad load;
    load.gridRows = driverGridRows(records);
    if (!GridOnly) {
        load.drivers = records;
    }
    load.readable = drivers.has_value();
    return load;
}

}  // namespace kaltero::masterdata
